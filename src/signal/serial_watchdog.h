// The receive windows' check for a silent serial interface: every tick raises the serial
// watchdog counter, every received byte (the serial reader) puts it back to 0. Called on the
// GUI thread from a receive-window tick.
#pragma once

#include <atomic>
#include <cstdint>

namespace tellur::signal {

inline constexpr std::int32_t kWatchdogFaxSstv = 10;
inline constexpr std::int32_t kWatchdogRtty = 60;
inline constexpr std::int32_t kWatchdogRestart = -10; // after a mode switch or a recovery

// One tick: true when the counter has now passed the threshold (the interface went silent);
// the caller logs, switches the mode off and on, and sets the counter to kWatchdogRestart.
inline bool watchdogTick(std::atomic<std::int32_t>& counter, std::int32_t threshold)
{
    return counter.fetch_add(1, std::memory_order_relaxed) + 1 > threshold;
}

} // namespace tellur::signal
