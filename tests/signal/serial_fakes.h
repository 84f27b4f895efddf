// Test doubles for the serial engine: a port that records every operation and answers written
// bytes through a script, and a clock that only moves when somebody sleeps.
#pragma once

#include "signal/serial_port.h"
#include "signal/serial_wait.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tellur::signal::testing {

class ManualClock final : public SerialClock {
public:
    double nowMs() const override { return m_now; }
    void sleepMs(double ms) override
    {
        if (ms > 0)
            m_now += ms;
        if (onAdvance)
            onAdvance(m_now);
    }
    std::function<void(double)> onAdvance;

private:
    double m_now = 1000.0;
};

// Every call lands in trace() as a short line ("open 3 115200", "rts 1", "write <bytes>" ...),
// so a test can compare a whole procedure with the expected sequence.
class FakeSerialPort final : public SerialPort {
public:
    // Answers bytes written while open; may call feed().
    std::function<void(FakeSerialPort&, const std::string&)> responder;
    bool available = true; // false: open fails
    bool ctsLine = true;
    bool traceLines = true; // record rts/dtr/break/clear/flow too

    bool open() override
    {
        std::lock_guard l(m_mutex);
        m_open = available;
        add("open " + std::to_string(m_number) + " " + std::to_string(m_baud) + (m_open ? "" : " failed"));
        return m_open;
    }
    void close() override
    {
        std::lock_guard l(m_mutex);
        if (m_open)
            add("close");
        m_open = false;
        m_input.clear();
    }
    bool isOpen() const override
    {
        std::lock_guard l(m_mutex);
        return m_open;
    }
    void setNumber(int n) override { reopenWith([&] { m_number = n; }); }
    int number() const override { return m_number; }
    void setBaudRate(int b) override { reopenWith([&] { m_baud = b; }); }
    int baudRate() const override { return m_baud; }
    void setFlowControl(FlowControl f) override
    {
        reopenWith([&] { m_flow = f; });
        line(std::string("flow ") + (f == FlowControl::Hardware ? "hw" : "none"));
    }
    FlowControl flowControl() const override { return m_flow; }
    void setRts(bool on) override { line(std::string("rts ") + (on ? "1" : "0")); }
    void setDtr(bool on) override { line(std::string("dtr ") + (on ? "1" : "0")); }
    void setBreak(bool on) override { line(std::string("break ") + (on ? "1" : "0")); }
    bool cts() const override { return ctsLine; }
    void clearInput() override
    {
        std::lock_guard l(m_mutex);
        m_input.clear();
        if (traceLines)
            add("clear in");
    }
    void clearOutput() override { line("clear out"); }
    std::size_t bytesWaiting() override
    {
        std::lock_guard l(m_mutex);
        return m_open ? m_input.size() : 0;
    }
    std::string read() override
    {
        std::lock_guard l(m_mutex);
        if (!m_open)
            return {};
        std::string s;
        s.swap(m_input);
        return s;
    }
    bool write(std::string_view bytes) override
    {
        if (!isOpen())
            open();
        std::string b(bytes);
        {
            std::lock_guard l(m_mutex);
            if (!m_open)
                return false;
            add("write " + b);
            m_written += b;
        }
        if (responder)
            responder(*this, b);
        return true;
    }

    // Device side.
    void feed(std::string_view bytes)
    {
        std::lock_guard l(m_mutex);
        if (m_open)
            m_input += bytes;
    }
    std::vector<std::string> trace() const
    {
        std::lock_guard l(m_mutex);
        return m_trace;
    }
    std::string written() const
    {
        std::lock_guard l(m_mutex);
        return m_written;
    }
    void clearTrace()
    {
        std::lock_guard l(m_mutex);
        m_trace.clear();
        m_written.clear();
    }

private:
    template <class F> void reopenWith(F f)
    {
        bool wasOpen = isOpen();
        if (wasOpen)
            close();
        f();
        if (wasOpen)
            open();
    }
    void line(const std::string& s)
    {
        std::lock_guard l(m_mutex);
        if (traceLines)
            add(s);
    }
    void add(std::string s) { m_trace.push_back(std::move(s)); }

    mutable std::mutex m_mutex;
    bool m_open = false;
    int m_number = 1;
    int m_baud = 9600;
    FlowControl m_flow = FlowControl::None;
    std::string m_input;
    std::string m_written;
    std::vector<std::string> m_trace;
};

} // namespace tellur::signal::testing
