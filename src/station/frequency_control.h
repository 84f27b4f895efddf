// Setting a transceiver's frequency for the frequency table, the scheduler and the command
// line: through the radio's own serial port with its command format (the main serial port is
// lent for it and given back), through rigctld on the network, through the PTC-II's
// "TRX Frequency" command, or by an external command. GUI thread (the CLI's main thread).
#pragma once

#include "core/mode_switch.h"
#include "core/operating_mode.h"
#include "signal/serial_port.h"
#include "signal/serial_wait.h"
#include "station/radio_commands.h"
#include "station/rigctld_client.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tellur {
class EventLog;
class StationConfig;
}

namespace tellur::signal {
class SerialModeDevices;
}

namespace tellur::station {

inline constexpr std::string_view kTransmittingText = "Setting frequencies during transmission is not possible.";
inline constexpr std::string_view kSamePortText =
    "Sorry, but when using an extenal interface\r\nthe frequency control port must be different from the interface port.";

// What tuning needs of the station around it. The application builds it from the mode switch
// and the serial devices (SwitchedRadioStation); tests fake it.
class RadioStation {
public:
    virtual ~RadioStation() = default;
    virtual signal::SerialPort& mainPort() = 0;
    virtual signal::SerialWaiter& waiter() = 0;
    // Stops the serial reader (the main port's only user while it runs); true when one ran.
    virtual bool stopSerialReader() = 0;
    virtual void startSerialReader() = 0;
    virtual void setOperatingMode(int m) = 0;
    // PTC-II single command; false when the modem did not answer.
    virtual bool ptc2SingleCommand(std::string_view text) = 0;
    // Runs a program and waits for its end; false when it could not be started.
    virtual bool runAndWait(const std::string& commandLine, const std::filesystem::path& folder) = 0;
};

enum class TuneOutcome {
    Sent,          // handed to the rig (serial rigs and external commands give no answer)
    Transmitting,  // refused during a transmission
    NotANumber,    // the frequency text is not a frequency
    SamePort,      // the radio's port is the interface's port
    BadSetting,    // the entry cannot be used as configured (Icom address, rigctld address)
    Unreachable,   // port, daemon, modem or program could not be reached
    Refused,       // rigctld answered with an error
};

struct TuneResult {
    TuneOutcome outcome = TuneOutcome::Sent;
    std::string reason; // one line for the command line; empty when sent
    bool ok() const { return outcome == TuneOutcome::Sent; }
};

class FrequencyControl {
public:
    FrequencyControl(const StationConfig& config, const RunFlags& flags, RadioStation& station, EventLog& log,
                     std::filesystem::path stationFolder);

    // Messages the user must see (transmission, port conflict); the GUI shows a box.
    void setMessageHandler(std::function<void(std::string_view)> show) { m_show = std::move(show); }
    void setRigctldTimeouts(RigctldTimeouts t) { m_rigctldTimeouts = t; }

    // Tunes transceiver n (1..4) to the frequency text (kHz).
    TuneResult setFrequency(int n, std::string_view frequencyText);

private:
    TuneResult viaSerialPort(const RadioPortEntry& entry, const RadioCommands& commands);
    TuneResult viaRigctld(const RadioPortEntry& entry, const RadioCommands& commands);
    TuneResult viaPtc2(const Frequency& f);
    TuneResult viaCommand(const RadioPortEntry& entry, const Frequency& f);
    TuneResult refuse(TuneOutcome outcome, std::string_view text);

    const StationConfig& m_config;
    const RunFlags& m_flags;
    RadioStation& m_station;
    EventLog& m_log;
    std::filesystem::path m_folder;
    std::function<void(std::string_view)> m_show;
    RigctldTimeouts m_rigctldTimeouts;
};

// The station's mode switch and serial devices as frequency control sees them.
class SwitchedRadioStation final : public RadioStation {
public:
    SwitchedRadioStation(const StationConfig& config, ModeSwitch& modeSwitch, signal::SerialModeDevices& serial,
                         ProcessRunner& runner);
    signal::SerialPort& mainPort() override;
    signal::SerialWaiter& waiter() override;
    bool stopSerialReader() override;
    void startSerialReader() override;
    void setOperatingMode(int m) override;
    bool ptc2SingleCommand(std::string_view text) override;
    bool runAndWait(const std::string& commandLine, const std::filesystem::path& folder) override;

private:
    const StationConfig& m_config;
    ModeSwitch& m_modeSwitch;
    signal::SerialModeDevices& m_serial;
    ProcessRunner& m_runner;
};

} // namespace tellur::station
