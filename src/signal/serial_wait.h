// The two kinds of wait of the serial set-up procedures: the "interface wait" of n x 56 ms and
// the response wait for one of several prompts, in ticks of 1/18 s. Both run on the GUI thread;
// they pump window messages through a hook (the GUI pumps, the CLI does not) unless closing has
// started, and they read time from an injectable clock so tests never wait for real.
#pragma once

#include "signal/serial_port.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tellur::signal {

class SerialClock {
public:
    virtual ~SerialClock() = default;
    virtual double nowMs() const = 0;
    virtual void sleepMs(double ms) = 0;
};

// The monotonic clock of the machine.
class SteadySerialClock final : public SerialClock {
public:
    double nowMs() const override;
    void sleepMs(double ms) override;
};

inline constexpr double kInterfaceWaitUnitMs = 56.0;
inline constexpr double kResponseTickMs = 1000.0 / 18.0;

// Splits "cmd:^*" into its alternatives; empty alternatives are dropped (they would match
// anything).
std::vector<std::string> responseAlternatives(std::string_view expected);

// 1-based position of the last alternative contained in text, 0 when none is.
int matchResponse(std::string_view text, const std::vector<std::string>& alternatives);

class SerialWaiter {
public:
    explicit SerialWaiter(SerialClock& clock) : m_clock(clock) { }

    void setMessagePump(std::function<void()> pump) { m_pump = std::move(pump); }
    void setCloseStarted(std::function<bool()> closing) { m_closing = std::move(closing); }

    SerialClock& clock() { return m_clock; }

    // n x 56 ms; n may be a fraction.
    void interfaceWait(double n);

    // Reads from the port until one of the "^"-separated alternatives shows up in what arrived
    // since the call, or until more than timeoutTicks/18 s have passed. Returns the 1-based
    // position of the last alternative found (a later one wins), 0 on timeout.
    int responseWait(SerialPort& port, std::string_view expected, int timeoutTicks);

    // What arrived during the last response wait (for diagnostics).
    const std::string& lastReceived() const { return m_received; }

private:
    void pump();

    SerialClock& m_clock;
    std::function<void()> m_pump;
    std::function<bool()> m_closing;
    std::string m_received;
};

} // namespace tellur::signal
