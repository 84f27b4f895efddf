// What the station needs of a serial port: the interface devices (EasyDSP, PTC-II, HariFax,
// "Other"), the transmit handshake and PTT keying are written against this, so that tests can
// drive them with a fake and the platform layer supplies the real port.
//
// Threading: set-up procedures use a port on the GUI thread while the serial reader is stopped;
// while the reader runs it is the only caller. Implementations must tolerate that hand-over
// between threads, and no operation may block for long (read never waits).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tellur::signal {

enum class FlowControl { None, Hardware };

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens with the current number, baud rate and flow control (8N1, exclusive). An open port
    // is closed first. A failure shows nothing and leaves the port closed.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Storing a setting on an open port closes and reopens it.
    virtual void setNumber(int number) = 0; // 1..8 ("COM" + number)
    virtual int number() const = 0;
    virtual void setBaudRate(int baud) = 0;
    virtual int baudRate() const = 0;
    virtual void setFlowControl(FlowControl flow) = 0;
    virtual FlowControl flowControl() const = 0;

    // Line control, immediate. May silently fail where the device has no such line.
    virtual void setRts(bool on) = 0;
    virtual void setDtr(bool on) = 0;
    virtual void setBreak(bool on) = 0;
    virtual bool cts() const = 0;

    virtual void clearInput() = 0;  // drop received bytes not yet read
    virtual void clearOutput() = 0; // drop bytes not yet sent
    virtual std::size_t bytesWaiting() = 0; // 0 when closed
    virtual std::string read() = 0;         // everything waiting now, possibly empty

    // Opens a closed port first; true when every byte was handed to the device.
    virtual bool write(std::string_view bytes) = 0;

    bool writeBytes(std::span<const std::uint8_t> bytes)
    {
        return write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    bool writeByte(std::uint8_t b)
    {
        char c = static_cast<char>(b);
        return write(std::string_view(&c, 1));
    }
};

} // namespace tellur::signal
