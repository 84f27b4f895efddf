#include "core/mode_switch.h"

#include "core/config_file.h"
#include "core/demodulator_table.h"
#include "core/event_log.h"
#include "core/station_config.h"

#include <algorithm>

namespace tellur {

SplitCommand splitCommandLine(std::string_view line)
{
    std::string s(line);
    s.erase(0, s.find_first_not_of(" \t"));
    std::string program, rest;
    if (!s.empty() && s[0] == '"') {
        auto close = s.find('"', 1);
        program = s.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        rest = close == std::string::npos ? std::string() : s.substr(close + 1);
    } else {
        auto blank = s.find_first_of(" \t");
        program = s.substr(0, blank);
        rest = blank == std::string::npos ? std::string() : s.substr(blank);
    }
    std::replace(program.begin(), program.end(), '\\', '/');
    SplitCommand out;
    auto slash = program.find_last_of('/');
    std::string file = program;
    if (slash != std::string::npos) {
        out.folder = program.substr(0, slash == 0 ? 1 : slash);
        file = program.substr(slash + 1);
    }
    if (file.find_first_of(" \t") != std::string::npos)
        file = "\"" + file + "\"";
    out.file = file + rest;
    return out;
}

ModeSwitch::ModeSwitch(StationConfig& config, RunFlags& flags, ModeSwitchDevices& devices, ProcessRunner& runner,
                       EventLog& log, std::filesystem::path stationFolder)
    : m_config(config), m_flags(flags), m_devices(devices), m_runner(runner), m_log(log),
      m_station(std::move(stationFolder))
{
}

bool ModeSwitch::setOperatingMode(int m)
{
    if (m < ModeOff || m > ModeRtty850)
        return false;
    const int type = m_config.interfaceType();
    const bool sound = type == InterfaceSoundCard;
    const int current = m_flags.currentOperatingMode.load();

    // One ring writer at a time: the reader stops before anything else changes.
    m_devices.stopSerialReader();

    m_flags.transmit.store(false);
    if (sound)
        m_config.setFaxAmUse14bit(true);
    m_flags.fourteenBitStream.store(isAmFaxMode(m) && m_config.faxAmUse14bit());

    if (m == ModeOff) {
        if (type == InterfacePtc2)
            m_devices.ptc2Release();
        if (m_devices.serialPortOpen())
            m_devices.closeSerialPort();
        m_flags.currentOperatingMode.store(ModeOff);
        return true;
    }

    if (m == ModeTransmit) {
        m_flags.transmit.store(true);
        // The interface stays set up for what it was receiving; only the soundcard (tone output)
        // and a PTC-II that is not in SSTV reception change for a transmission.
        const bool changes = sound || (type == InterfacePtc2 && current != ModeSstv);
        if (!changes && current != ModeOff)
            m = current;
    }

    bool result = false;
    const bool setUp = m != current || (isTextMode(m) && sound);
    if (setUp) {
        const int port = m_config.comPort();
        if (port != 0 && !sound && m_devices.serialPortOpen())
            m_devices.closeSerialPort();

        result = setUpInterface(m, type);

        if (sound && port != 0) {
            checkPortForSoundcard();
        } else if (result && port != 0 && !sound) {
            if (m_devices.serialPortOpen())
                m_devices.closeSerialPort();
            std::optional<int> baud;
            if (type != InterfacePtc2) // its initialisation has set the speed
                baud = m_config.baudRate();
            if (!m_devices.reopenSerialPort(port, baud))
                result = false;
        }
    }

    m_flags.serialWatchdog.store(-10);
    m_flags.currentOperatingMode.store(m);
    if (!m_flags.transmit.load() && !sound)
        m_devices.startSerialReader(m_config.serialThreadPriority());
    return result;
}

bool ModeSwitch::setUpInterface(int m, int type)
{
    switch (type) {
    case InterfaceEasyDsp: {
        std::string program;
        if (m == ModeFaxFm)
            program = m_config.faxFmProgram();
        else if (isAmFaxMode(m))
            program = m_config.faxAmProgram();
        else if (m == ModeSstv || m == ModeTransmit)
            program = m_config.sstvProgram();
        else
            return false; // no DSP program for the text modes
        const auto file = folderPath(m_config, StationFolder::Demodulators, m_station) / (program + ".LOD");
        return m_devices.easyDspDownload(file, true);
    }
    case InterfacePtc2:
        if (isTextMode(m))
            return m_devices.ptc2Initialise("RTTY");
        return m_devices.ptc2Initialise(isAmFaxMode(m) ? "AM" : "FM");
    case InterfaceSoundCard: {
        const bool mixer = m_devices.mixerAvailable();
        if (mixer) {
            const int last = std::max(0, m_devices.mixerRecordingLines() - 1);
            for (std::size_t off : {cfg::kSstvInputLine, cfg::kFmInputLine, cfg::kAmInputLine})
                m_config.setI32(off, std::clamp(m_config.i32(off), 0, last));
        }
        auto line = [&](int index) {
            if (mixer)
                m_devices.selectMixerLine(index);
        };
        const DemodRow* row = demodForMode(m);
        const std::string_view demod = row ? row->name : std::string_view{};
        if (m == ModeFaxFm || isTextMode(m)) {
            line(m_config.fmInputLine());
            m_devices.selectDemodulator(demod);
        } else if (m == ModeSstv) {
            m_devices.selectDemodulator(demod);
            line(m_config.sstvInputLine());
        } else if (m == ModeTransmit) {
            m_devices.selectDemodulator(demod);
        } else {
            line(m_config.amInputLine());
            m_devices.selectDemodulator(demod);
        }
        return true;
    }
    case InterfaceHariFax:
        if (m == ModeRtty850)
            return false;
        if (isAmFaxMode(m))
            return m_devices.hariFaxInitialise("AM");
        if (m == ModeSstv || m == ModeTransmit)
            return m_devices.hariFaxInitialise("SSTV");
        return m_devices.hariFaxInitialise("FM");
    case InterfaceOther: {
        std::string command;
        if (isAmFaxMode(m))
            command = m_config.faxAmProgram();
        else if (m == ModeSstv || m == ModeTransmit)
            command = m_config.sstvProgram();
        else
            command = m_config.faxFmProgram();
        SplitCommand split = splitCommandLine(command);
        if (split.folder.empty())
            split.folder = folderPath(m_config, StationFolder::ExternalPrograms, m_station);
        m_runner.run(split.file, split.folder, false);
        return true; // whether or not it started
    }
    default:
        return false;
    }
}

void ModeSwitch::checkPortForSoundcard()
{
    const int port = m_config.comPort();
    if (m_devices.testSerialPort(port)) {
        m_flags.interfaceStatusMessage.clear();
        return;
    }
    const std::string n = std::to_string(port);
    m_log.action("+++port alert (COM" + n + ")");
    m_flags.interfaceStatusMessage =
        "Communication port Com" + n + " not available! Please check configuration settings.";
    m_config.setComPort(0);
}

} // namespace tellur
