// The serial reader thread: while it runs it is the only reader of the main serial port and the
// only writer of the sample ring. Every 2 ms it takes what the port has received and frames it
// into ring items (see SerialFraming). Errors of the port are swallowed; a closed port simply
// yields nothing, so the receive windows' watchdog notices the silence.
//
// Created and stopped by the mode switch on the GUI thread; stop() (and the destructor) request
// termination and wait for the thread.
#pragma once

#include "core/sample_ring.h"
#include "signal/serial_framing.h"
#include "signal/serial_port.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace tellur::signal {

// Thread priority indices of the configuration: 0 idle .. 3 normal .. 5 highest.
void applyThreadPriority(int index);

class Tspythread {
public:
    Tspythread(SerialPort& port, SerialFraming& framing, SampleRing& ring, std::atomic<std::int32_t>& watchdog,
               int priorityIndex);
    ~Tspythread();
    Tspythread(const Tspythread&) = delete;
    Tspythread& operator=(const Tspythread&) = delete;

    void stop();
    bool running() const { return m_thread.joinable(); }

    // Bytes taken from the port since start (for diagnostics and tests).
    std::uint64_t bytesRead() const { return m_bytesRead.load(std::memory_order_relaxed); }

private:
    void run(std::stop_token stop, int priorityIndex);

    SerialPort& m_port;
    SerialFraming& m_framing;
    SampleRing& m_ring;
    std::atomic<std::int32_t>& m_watchdog;
    std::atomic<std::uint64_t> m_bytesRead{0};
    std::jthread m_thread;
};

} // namespace tellur::signal
