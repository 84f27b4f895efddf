#include "signal/serial_wait.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tellur::signal {

namespace {
// Waits sleep in slices this long, so the GUI keeps being served and a fake clock advances in
// small steps.
constexpr double kSliceMs = 2.0;
constexpr double kPollMs = 1.0;
// A device that floods the line must not make the receive text grow without bound; prompts are
// short, so the tail is all that matters.
constexpr std::size_t kMaxReceived = 64 * 1024;
} // namespace

double SteadySerialClock::nowMs() const
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void SteadySerialClock::sleepMs(double ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
}

std::vector<std::string> responseAlternatives(std::string_view expected)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= expected.size()) {
        std::size_t end = expected.find('^', start);
        if (end == std::string_view::npos)
            end = expected.size();
        if (end > start)
            out.emplace_back(expected.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

int matchResponse(std::string_view text, const std::vector<std::string>& alternatives)
{
    int found = 0;
    for (std::size_t i = 0; i < alternatives.size(); ++i)
        if (text.find(alternatives[i]) != std::string_view::npos)
            found = static_cast<int>(i) + 1;
    return found;
}

void SerialWaiter::pump()
{
    if (m_pump && !(m_closing && m_closing()))
        m_pump();
}

void SerialWaiter::interfaceWait(double n)
{
    const double end = m_clock.nowMs() + n * kInterfaceWaitUnitMs;
    for (;;) {
        double left = end - m_clock.nowMs();
        if (left <= 0)
            break;
        pump();
        m_clock.sleepMs(std::min(left, kSliceMs));
    }
}

int SerialWaiter::responseWait(SerialPort& port, std::string_view expected, int timeoutTicks)
{
    const auto alternatives = responseAlternatives(expected);
    const double start = m_clock.nowMs();
    const double timeoutMs = timeoutTicks * kResponseTickMs;
    m_received.clear();
    int found = 0;
    for (;;) {
        m_received += port.read();
        if (m_received.size() > kMaxReceived)
            m_received.erase(0, m_received.size() - kMaxReceived / 2);
        found = matchResponse(m_received, alternatives);
        if (found != 0)
            break;
        if (m_clock.nowMs() - start > timeoutMs)
            break;
        pump();
        m_clock.sleepMs(kPollMs);
    }
    return found;
}

} // namespace tellur::signal
