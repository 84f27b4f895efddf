// The operating-mode switch: a receive window (or the scheduler, or frequency control) asks for
// an operating mode and the switch sets the configured interface up for it — stops the serial
// reader, selects a soundcard demodulator and mixer line, downloads a DSP program, initialises
// the PTC-II or HariFax, or runs an external command — then reopens the serial port and starts
// the reader again. GUI thread only. The devices are reached through ModeSwitchDevices, which the
// application builds from the serial, sound and mixer adapters; tests use a recording fake.
#pragma once

#include "core/operating_mode.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tellur {
class EventLog;
class StationConfig;

class ModeSwitchDevices {
public:
    virtual ~ModeSwitchDevices() = default;

    // The serial reader thread (the ring writer for the serial interfaces).
    virtual void stopSerialReader() = 0; // no-op when none runs; returns after it has ended
    virtual void startSerialReader(int priorityIndex) = 0;

    // The main serial port. Errors of close are ignored.
    virtual bool serialPortOpen() const = 0;
    virtual void closeSerialPort() = 0;
    // Closes the port if open, sets its number and (when given) its baud rate, opens it.
    virtual bool reopenSerialPort(int number, std::optional<int> baudRate) = 0;
    // Opens the port, notes whether it opened, closes it.
    virtual bool testSerialPort(int number) = 0;

    // Soundcard capture and mixer.
    virtual void selectDemodulator(std::string_view name) = 0;
    virtual bool mixerAvailable() const = 0;
    virtual int mixerRecordingLines() const = 0;
    virtual void selectMixerLine(int line) = 0;

    // Device set-up procedures.
    virtual bool ptc2Release() = 0;
    virtual bool ptc2Initialise(std::string_view mode) = 0; // "FM", "AM", "RTTY"
    virtual bool hariFaxInitialise(std::string_view mode) = 0; // "FM", "AM", "SSTV"
    // vireo: the VIREO switch position, else ALEPH.
    virtual bool easyDspDownload(const std::filesystem::path& lodFile, bool vireo) = 0;
};

// External programs: started in a working folder, either detached (they keep running until
// terminate) or waited for in 100 ms steps. GUI thread.
class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;
    // commandLine is the program (a bare name is looked up in the working folder, then on the
    // path) followed by its arguments. Returns whether the process could be started.
    virtual bool run(const std::string& commandLine, const std::filesystem::path& workingFolder, bool detached) = 0;
    // Ends the remembered detached process, if any.
    virtual void terminate() = 0;
    virtual bool running() const = 0;
};

// A command line split into the folder of its program and the rest: "/opt/x/set.sh -a" gives
// {"/opt/x", "set.sh -a"}; a program without a folder gives an empty folder. Quotes around the
// program are honoured.
struct SplitCommand {
    std::filesystem::path folder;
    std::string file;
};
SplitCommand splitCommandLine(std::string_view commandLine);

class ModeSwitch {
public:
    ModeSwitch(StationConfig& config, RunFlags& flags, ModeSwitchDevices& devices, ProcessRunner& runner,
               EventLog& log, std::filesystem::path stationFolder);

    // Sets the interface up for mode m (-1..11); returns whether the set-up succeeded. The mode
    // is recorded (and the serial reader started) even when it did not.
    bool setOperatingMode(int m);

    int currentMode() const { return m_flags.currentOperatingMode.load(); }

private:
    bool setUpInterface(int m, int type);
    void checkPortForSoundcard();

    StationConfig& m_config;
    RunFlags& m_flags;
    ModeSwitchDevices& m_devices;
    ProcessRunner& m_runner;
    EventLog& m_log;
    std::filesystem::path m_station;
};

} // namespace tellur
