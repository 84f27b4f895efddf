#include "signal/serial_reader.h"

#include <chrono>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace tellur::signal {

void applyThreadPriority(int index)
{
    // Linux has per-thread nice values; raising priority needs privileges, and a refusal is no
    // reason to stop reading, so failures are ignored.
    static constexpr int kNice[] = {19, 10, 5, 0, -5, -10};
    if (index < 0 || index > 5)
        return;
    if (index == 0) {
        sched_param p {};
        p.sched_priority = 0;
        (void)sched_setscheduler(0, SCHED_IDLE, &p);
        return;
    }
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kNice[index]);
}

Tspythread::Tspythread(SerialPort& port, SerialFraming& framing, SampleRing& ring,
                       std::atomic<std::int32_t>& watchdog, int priorityIndex)
    : m_port(port)
    , m_framing(framing)
    , m_ring(ring)
    , m_watchdog(watchdog)
    , m_thread([this, priorityIndex](std::stop_token st) { run(st, priorityIndex); })
{
}

Tspythread::~Tspythread() { stop(); }

void Tspythread::stop()
{
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}

void Tspythread::run(std::stop_token stop, int priorityIndex)
{
    applyThreadPriority(priorityIndex);
    while (!stop.stop_requested()) {
        try {
            // A closed port reads as empty, so one call per round is all an idle line costs.
            while (!stop.stop_requested()) {
                std::string bytes = m_port.read();
                if (bytes.empty())
                    break;
                m_bytesRead.fetch_add(bytes.size(), std::memory_order_relaxed);
                m_framing.process(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                                  m_ring, m_watchdog);
            }
        } catch (...) {
            // A port that fails mid-stream must not end reception; the next round tries again.
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

} // namespace tellur::signal
