// Small desktop services of the main window: the process's memory figures for the usage window,
// the number of sound devices, a reboot request and the system mixer program.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace tellur::platform {

struct MemoryFigure {
    QString label;
    std::uint64_t bytes = 0;
};

// The figures under the usage window's labels, from /proc and the C heap.
std::vector<MemoryFigure> memoryFigures();

int soundOutputDeviceCount();
int soundInputDeviceCount();

// Asks logind for a reboot; false when it could not be requested.
bool requestReboot();

// Starts the desktop's volume control detached; false when none is installed.
bool startMixerProgram(bool recording);

} // namespace tellur::platform
