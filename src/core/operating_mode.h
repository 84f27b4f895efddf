// Operating modes and the run flags shared by the mode switch, the ring writers and the receive
// windows.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace tellur {

enum OperatingMode : std::int32_t {
    ModeOff = -1,
    ModeFaxFm = 0,
    ModeFaxAm = 1,
    ModeFaxAmLog = 2,
    ModeFaxPllLin = 3,
    ModeFaxPllLog = 4,
    ModeSstv = 5,
    ModeTransmit = 6,
    ModeRtty85 = 7,
    ModeRtty170 = 8,
    ModeRtty450 = 9,
    ModeNavtex = 10,
    ModeRtty850 = 11,
};

constexpr bool isFaxMode(int m) { return m >= ModeFaxFm && m <= ModeFaxPllLog; }
constexpr bool isAmFaxMode(int m) { return m >= ModeFaxAm && m <= ModeFaxPllLog; }
constexpr bool isTextMode(int m) { return m >= ModeRtty85 && m <= ModeRtty850; }

// The flags other threads read: atomics, so the serial reader, the sound threads and the GUI
// thread see each other's stores. The status message belongs to the GUI thread.
struct RunFlags {
    std::atomic<std::int32_t> currentOperatingMode{ModeOff};
    std::atomic<bool> fourteenBitStream{false};
    std::atomic<bool> transmit{false};
    std::atomic<std::int32_t> serialWatchdog{0};
    std::string interfaceStatusMessage;
};

} // namespace tellur
