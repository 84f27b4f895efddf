// Runs an external set-up command (the EasyDSP downloader in the ALEPH position) in a working
// folder and waits for its end, serving the GUI meanwhile through an optional message pump. A
// program name without a folder is looked for in the working folder first, then on the PATH.
#pragma once

#include "signal/serial_devices.h"

#include <functional>

namespace tellur::platform {

class QtCommandRunner final : public signal::CommandRunner {
public:
    void setMessagePump(std::function<void()> pump) { m_pump = std::move(pump); }
    bool runAndWait(const std::string& commandLine, const std::filesystem::path& workingFolder) override;

private:
    std::function<void()> m_pump;
};

} // namespace tellur::platform
