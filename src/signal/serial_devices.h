// The set-up procedures of the serial interface devices: port test, EasyDSP download (VIREO and
// ALEPH switch positions), PTC-II release/connect/initialise/commands, HariFax initialise. The
// mode switch calls them on the GUI thread while the serial reader is stopped; they open and
// close the main port themselves and leave it closed unless said otherwise.
//
// Questions (Abort/Retry), the DSP load progress window and the interface status message leave
// through SerialDeviceUi; the GUI shows message boxes and TDSPLoadwin, the CLI and tests answer
// from a script. Log lines go to the action log.
#pragma once

#include "core/event_log.h"
#include "signal/serial_port.h"
#include "signal/serial_wait.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tellur {
class StationConfig;
}

namespace tellur::signal {

class SerialDeviceUi {
public:
    virtual ~SerialDeviceUi() = default;
    // A warning with the buttons Abort and Retry; true means Retry.
    virtual bool askRetry(std::string_view text) = 0;
    // TDSPLoadwin "Loading DSP program...": file name and a gauge from 0 to total bytes.
    virtual void loadBegin(std::string_view /*file*/, std::int64_t /*total*/) { }
    virtual void loadProgress(std::int64_t /*position*/) { }
    virtual void loadEnd() { }
    // The interface status message changed (empty = cleared).
    virtual void statusChanged(std::string_view /*message*/) { }
};

// Answers from a list (Abort once the list is used up) and remembers everything it was shown.
class ScriptedSerialDeviceUi final : public SerialDeviceUi {
public:
    explicit ScriptedSerialDeviceUi(std::vector<bool> retries = {}) : m_answers(retries.begin(), retries.end()) { }
    bool askRetry(std::string_view text) override;
    void loadBegin(std::string_view file, std::int64_t total) override;
    void loadProgress(std::int64_t position) override { lastProgress = position; }
    void loadEnd() override { ++loadsEnded; }
    void statusChanged(std::string_view message) override { statuses.emplace_back(message); }

    std::function<void()> askRetryHook; // runs before each answer
    std::vector<std::string> questions;
    std::vector<std::string> statuses;
    std::string loadFile;
    std::int64_t loadTotal = 0;
    std::int64_t lastProgress = 0;
    int loadsEnded = 0;

private:
    std::deque<bool> m_answers;
};

// Runs an external command line in a working folder and waits until it has ended.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    virtual bool runAndWait(const std::string& commandLine, const std::filesystem::path& workingFolder) = 0;
};

// The downloader for the ALEPH position; "%p" is replaced by the port number, "%f" by the file.
inline constexpr std::string_view kDefaultDownloaderCommand = "dl -p%p -g %f";

enum class InterfaceType : std::int32_t { EasyDsp = 0, Ptc2 = 1, SoundCard = 2, HariFax = 3, Other = 4 };

struct SerialDeviceSettings {
    InterfaceType interfaceType = InterfaceType::SoundCard;
    int comPort = 0;          // 0 = NONE, 1..8
    int baudRate = 115200;    // configured speed (for the PTC-II its "SERBaud")
    int readerPriority = 3;   // serial-thread priority index 0..5
    std::filesystem::path programFolder;
    std::string downloaderCommand{kDefaultDownloaderCommand};
};

// Reads interface type, COM port, baud rate and serial-thread priority from the record.
SerialDeviceSettings serialSettingsFrom(const StationConfig& config);

// "dl -p%p -g %f" with the placeholders filled in; a file name with blanks is quoted.
std::string downloaderCommandLine(std::string_view pattern, int port, const std::filesystem::path& file);

class SerialDevices {
public:
    SerialDevices(SerialPort& mainPort, SerialPort& pulsePort, SerialWaiter& waiter, EventLog& log,
                  SerialDeviceUi& ui, CommandRunner* runner = nullptr);

    void setSettings(const SerialDeviceSettings& s) { m_settings = s; }
    const SerialDeviceSettings& settings() const { return m_settings; }

    SerialPort& mainPort() { return m_main; }
    SerialWaiter& waiter() { return m_waiter; }

    const std::string& statusMessage() const { return m_status; }
    void setStatusMessage(std::string_view message);
    bool ptcBusy() const { return m_ptcBusy.load(); }

    bool portTest(int number);

    bool easyDspProbeVireo();
    bool easyDspDownloadVireo(const std::filesystem::path& file);
    bool easyDspProbeAleph();
    bool easyDspDownloadAleph(const std::filesystem::path& file);

    bool ptc2Release();
    bool ptc2Connect();
    bool ptc2Initialise(std::string_view name); // "FM", "AM" or "RTTY"
    bool ptc2Command(std::string_view text);
    bool ptc2SingleCommand(std::string_view text);
    bool ptc2CommandFile(const std::filesystem::path& path);

    bool hariFaxInitialise(std::string_view name); // "FM", "AM" or "SSTV"

private:
    // Repeats the port test of the configured port, asking Abort/Retry; false on Abort.
    bool portTestLoop();
    bool sendDspFile(const std::filesystem::path& file, bool& fileProblem);
    void clockTicks(int n);
    bool send(std::string_view bytes);
    int waitPrompt(int timeoutTicks);

    SerialPort& m_main;
    SerialPort& m_pulse;
    SerialWaiter& m_waiter;
    EventLog& m_log;
    SerialDeviceUi& m_ui;
    CommandRunner* m_runner;
    SerialDeviceSettings m_settings;
    std::string m_status;
    std::atomic<bool> m_ptcBusy{false};
};

} // namespace tellur::signal
