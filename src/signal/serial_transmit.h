// The transmit side of the serial port: the begin/end handshake of a transmission through a
// serial interface (EasyDSP, PTC-II, HariFax, Other), PTT keying through RTS/DTR for the
// soundcard interface, and the CodeSink that writes tone codes to the port.
//
// Begin/end and keying run on the GUI thread around a transmission; the code sink is called
// from the transmitter thread in between.
#pragma once

#include "signal/code_sink.h"
#include "signal/serial_devices.h"
#include "signal/serial_port.h"

namespace tellur::signal {

inline constexpr std::uint8_t kPtcTransmitEnd = 0xFE;
inline constexpr std::uint8_t kPtcTransmitAbort = 0xFD;
inline constexpr std::uint8_t kPtcIdleCode = 120; // 1900 Hz on the PTC-II's scale
inline constexpr int kPtcAbortIdleCodes = 250;

class SerialTransmit {
public:
    explicit SerialTransmit(SerialPort& port) : m_port(port) { }

    void setSettings(const SerialDeviceSettings& s) { m_settings = s; }

    // Prepares (begin) or releases (end) a serial interface for a transmission. With the
    // soundcard or without a COM port there is nothing to do and the result is true. False when
    // the port is closed, fails, or CTS is off at the switch to hardware handshake.
    bool transmission(bool begin, bool aborted);

    // PTT for the soundcard interface: RTS and DTR of the configured port, which is opened for
    // keying on and closed after keying off. Nothing without a COM port.
    void keying(bool on);

private:
    SerialPort& m_port;
    SerialDeviceSettings m_settings;
};

// Tone codes to the serial port. Transmitters write up to 10000 codes at a time; the write
// returns once the device has accepted them, which paces the transmitter. Write errors are
// counted, not thrown, so a transmission goes on.
class SerialCodeSink final : public CodeSink {
public:
    static constexpr std::size_t kChunk = 10000;
    explicit SerialCodeSink(SerialPort& port) : m_port(port) { }
    std::size_t freeRoom() const override { return kChunk; }
    void write(std::span<const std::uint8_t> codes) override;
    std::size_t failedWrites() const { return m_failed; }

private:
    SerialPort& m_port;
    std::size_t m_failed = 0;
};

} // namespace tellur::signal
