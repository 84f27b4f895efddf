#include "station/frequency_control.h"

#include "core/config_file.h"
#include "core/event_log.h"
#include "core/station_config.h"
#include "signal/serial_mode_devices.h"

namespace tellur::station {

FrequencyControl::FrequencyControl(const StationConfig& config, const RunFlags& flags, RadioStation& station,
                                   EventLog& log, std::filesystem::path stationFolder)
    : m_config(config), m_flags(flags), m_station(station), m_log(log), m_folder(std::move(stationFolder))
{
}

TuneResult FrequencyControl::refuse(TuneOutcome outcome, std::string_view text)
{
    if (m_show)
        m_show(text);
    return {outcome, std::string(text)};
}

TuneResult FrequencyControl::setFrequency(int n, std::string_view frequencyText)
{
    if (m_flags.transmit.load())
        return refuse(TuneOutcome::Transmitting, kTransmittingText);
    if (n < 1 || n > cfg::kRadioCount)
        return {TuneOutcome::BadSetting, "there is no radio " + std::to_string(n) + " (1..4)"};
    // Every path checks the number, so that a mistyped row is never sent to a rig as it is.
    const auto f = parseFrequency(frequencyText);
    if (!f)
        return refuse(TuneOutcome::NotANumber, "'" + std::string(frequencyText) + "' is not a valid frequency.");
    const RadioPortEntry entry = radioPortEntry(m_config, n);
    if (entry.asciiControl) {
        const auto commands = radioCommands(entry, *f);
        if (!commands)
            return {TuneOutcome::BadSetting, "radio " + std::to_string(n) + ": \"" + entry.address +
                                                 "\" is not an Icom address"};
        if (entry.type == RadioType::Rigctld)
            return viaRigctld(entry, *commands);
        if (entry.comPort != m_config.comPort() || m_config.interfaceType() == InterfaceSoundCard)
            return viaSerialPort(entry, *commands);
        return refuse(TuneOutcome::SamePort, kSamePortText);
    }
    if (m_config.interfaceType() == InterfacePtc2 && entry.ptcControl)
        return viaPtc2(*f);
    return viaCommand(entry, *f);
}

TuneResult FrequencyControl::viaSerialPort(const RadioPortEntry& entry, const RadioCommands& commands)
{
    signal::SerialPort& port = m_station.mainPort();
    signal::SerialWaiter& waiter = m_station.waiter();
    const bool readerRan = m_station.stopSerialReader();
    const bool wasOpen = port.isOpen();
    const int number = port.number();
    const int baud = port.baudRate();
    const signal::FlowControl flow = port.flowControl();
    port.close();
    // Rig control lines carry no handshake; the interface's may (PTC-II).
    port.setFlowControl(signal::FlowControl::None);
    port.setNumber(entry.comPort);
    waiter.interfaceWait(5);
    port.setBaudRate(entry.baudRate);
    waiter.interfaceWait(5);
    const bool opened = port.open();
    if (opened) {
        port.clearInput();
        port.clearOutput();
        port.write(commands.first);
        if (!commands.second.empty()) {
            port.clearInput();
            port.write(commands.second);
        }
        port.clearInput();
    }
    port.close();
    port.setNumber(number);
    port.setBaudRate(baud);
    port.setFlowControl(flow);
    if (wasOpen)
        port.open();
    if (readerRan)
        m_station.startSerialReader();
    if (!opened)
        return {TuneOutcome::Unreachable, "COM" + std::to_string(entry.comPort) + " could not be opened"};
    return {};
}

TuneResult FrequencyControl::viaRigctld(const RadioPortEntry& entry, const RadioCommands& commands)
{
    const auto endpoint = parseRigctldEndpoint(entry.command);
    if (!endpoint) {
        const std::string text = "rigctld address \"" + entry.command + "\" is not host:port";
        m_log.action("+++" + text);
        return {TuneOutcome::BadSetting, text};
    }
    const RigctldResult r = rigctldSend(*endpoint, {commands.first, commands.second}, m_rigctldTimeouts);
    if (r.accepted)
        return {};
    const std::string text = r.reached ? "rigctld at " + endpoint->text() + " refused: " + r.problem
                                       : "rigctld not reachable at " + endpoint->text() + ": " + r.problem;
    m_log.action("+++" + text);
    return {r.reached ? TuneOutcome::Refused : TuneOutcome::Unreachable, text};
}

TuneResult FrequencyControl::viaPtc2(const Frequency& f)
{
    const int mode = m_flags.currentOperatingMode.load();
    if (mode != ModeOff)
        m_station.setOperatingMode(ModeOff);
    const bool answered = m_station.ptc2SingleCommand("TRX Frequency " + f.text);
    if (mode != ModeOff)
        m_station.setOperatingMode(mode);
    if (!answered)
        return {TuneOutcome::Unreachable, "the PTC-II did not answer"};
    return {};
}

TuneResult FrequencyControl::viaCommand(const RadioPortEntry& entry, const Frequency& f)
{
    std::string command = entry.command;
    command.erase(0, command.find_first_not_of(" \t"));
    const auto blank = command.find(' ');
    if (blank != std::string::npos) {
        std::string args;
        for (char c : command.substr(blank)) {
            if (c == '@')
                args += f.text;
            else
                args += c;
        }
        command = command.substr(0, blank) + args;
    }
    if (command.empty())
        return {TuneOutcome::BadSetting, "no command is configured"};
    SplitCommand split = splitCommandLine(command);
    if (split.folder.empty())
        split.folder = folderPath(m_config, StationFolder::ExternalPrograms, m_folder);
    if (!m_station.runAndWait(split.file, split.folder))
        return {TuneOutcome::Unreachable, "the command could not be started: " + command};
    return {};
}

// ---------------------------------------------------------------------------------------------

SwitchedRadioStation::SwitchedRadioStation(const StationConfig& config, ModeSwitch& modeSwitch,
                                           signal::SerialModeDevices& serial, ProcessRunner& runner)
    : m_config(config), m_modeSwitch(modeSwitch), m_serial(serial), m_runner(runner)
{
}

signal::SerialPort& SwitchedRadioStation::mainPort() { return m_serial.devices().mainPort(); }

signal::SerialWaiter& SwitchedRadioStation::waiter() { return m_serial.devices().waiter(); }

bool SwitchedRadioStation::stopSerialReader()
{
    const bool ran = m_serial.readerRunning();
    m_serial.stopSerialReader();
    return ran;
}

void SwitchedRadioStation::startSerialReader() { m_serial.startSerialReader(m_config.serialThreadPriority()); }

void SwitchedRadioStation::setOperatingMode(int m) { m_modeSwitch.setOperatingMode(m); }

bool SwitchedRadioStation::ptc2SingleCommand(std::string_view text) { return m_serial.devices().ptc2SingleCommand(text); }

bool SwitchedRadioStation::runAndWait(const std::string& commandLine, const std::filesystem::path& folder)
{
    return m_runner.run(commandLine, folder, false);
}

} // namespace tellur::station
