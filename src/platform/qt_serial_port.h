// The engine's serial port on QSerialPort. The QSerialPort lives in a thread of its own with an
// event loop, and every operation is carried out there, so the GUI thread (set-up procedures,
// transmit handshake) and the serial reader thread may take turns with one port object without
// sharing QSerialPort across threads. Calls block until done; none waits for input.
//
// Port numbers map to device paths through a SerialPortMap ("ports.conf"). A device that
// disappears while open (USB adapter pulled) closes the port, so readers see silence.
#pragma once

#include "signal/serial_port.h"
#include "signal/serial_port_map.h"

#include <memory>

class QSerialPort;
class QThread;

namespace tellur::platform {

class QtSerialPort final : public signal::SerialPort {
public:
    explicit QtSerialPort(signal::SerialPortMap map = signal::SerialPortMap::defaults());
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    void setPortMap(const signal::SerialPortMap& map);

    bool open() override;
    void close() override;
    bool isOpen() const override;
    void setNumber(int number) override;
    int number() const override;
    void setBaudRate(int baud) override;
    int baudRate() const override;
    void setFlowControl(signal::FlowControl flow) override;
    signal::FlowControl flowControl() const override;
    void setRts(bool on) override;
    void setDtr(bool on) override;
    void setBreak(bool on) override;
    bool cts() const override;
    void clearInput() override;
    void clearOutput() override;
    std::size_t bytesWaiting() override;
    std::string read() override;
    bool write(std::string_view bytes) override;

private:
    struct State;
    template <class F> auto onPortThread(F&& f) const;
    bool openHere();
    void reopenHere();

    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<State> m_state; // touched only on m_thread
};

} // namespace tellur::platform
