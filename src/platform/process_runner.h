// External programs on QProcess: the operating-type list's programs (detached, ended by the next
// selection or at close) and the "Other" interface's set-up commands (waited for in 100 ms
// steps, serving the GUI through an optional message pump), and the EasyDSP downloader of the
// serial set-up, waited for the same way. A program name without a folder is
// looked for in the working folder first, then on the PATH. GUI thread.
#pragma once

#include "core/mode_switch.h"
#include "signal/serial_devices.h"

#include <functional>
#include <memory>

class QProcess;

namespace tellur::platform {

class QtProcessRunner final : public ProcessRunner, public signal::CommandRunner {
public:
    QtProcessRunner();
    ~QtProcessRunner() override;

    void setMessagePump(std::function<void()> pump) { m_pump = std::move(pump); }
    bool run(const std::string& commandLine, const std::filesystem::path& workingFolder, bool detached) override;
    void terminate() override;
    bool running() const override;
    bool runAndWait(const std::string& commandLine, const std::filesystem::path& workingFolder) override
    {
        return run(commandLine, workingFolder, false);
    }

private:
    std::unique_ptr<QProcess> m_process; // the remembered detached process
    std::function<void()> m_pump;
};

} // namespace tellur::platform
