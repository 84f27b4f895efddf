#include "signal/serial_mode_devices.h"

namespace tellur::signal {

SerialModeDevices::SerialModeDevices(const StationConfig& config, RunFlags& flags, SampleRing& ring,
                                     SerialPort& mainPort, SerialPort& pulsePort, SerialWaiter& waiter, EventLog& log,
                                     SerialDeviceUi& ui, CommandRunner* runner)
    : m_config(config)
    , m_flags(flags)
    , m_ring(ring)
    , m_main(mainPort)
    , m_ui(ui, flags)
    , m_devices(mainPort, pulsePort, waiter, log, m_ui, runner)
    , m_transmit(mainPort)
{
}

SerialModeDevices::~SerialModeDevices() { stopSerialReader(); }

void SerialModeDevices::refreshSettings()
{
    SerialDeviceSettings s = serialSettingsFrom(m_config);
    s.programFolder = m_stationFolder;
    s.downloaderCommand = m_downloader;
    m_devices.setSettings(s);
    m_transmit.setSettings(s);
}

SerialDevices& SerialModeDevices::devices()
{
    refreshSettings();
    return m_devices;
}

SerialTransmit& SerialModeDevices::transmit()
{
    refreshSettings();
    return m_transmit;
}

void SerialModeDevices::stopSerialReader() { m_reader.reset(); }

void SerialModeDevices::startSerialReader(int priorityIndex)
{
    stopSerialReader(); // one ring writer at a time
    m_framing.setFourteenBit(m_flags.fourteenBitStream.load());
    m_reader = std::make_unique<Tspythread>(m_main, m_framing, m_ring, m_flags.serialWatchdog, priorityIndex);
}

bool SerialModeDevices::serialPortOpen() const { return m_main.isOpen(); }

void SerialModeDevices::closeSerialPort()
{
    try {
        m_main.close();
    } catch (...) {
    }
}

bool SerialModeDevices::reopenSerialPort(int number, std::optional<int> baudRate)
{
    try {
        if (m_main.isOpen())
            m_main.close();
        m_main.setNumber(number);
        if (baudRate)
            m_main.setBaudRate(*baudRate);
        return m_main.open();
    } catch (...) {
        return false;
    }
}

bool SerialModeDevices::testSerialPort(int number)
{
    m_main.setNumber(number);
    bool ok = m_main.open() && m_main.isOpen();
    m_main.close();
    return ok;
}

void SerialModeDevices::selectDemodulator(std::string_view name)
{
    if (m_sound)
        m_sound->selectDemodulator(name);
}

bool SerialModeDevices::mixerAvailable() const { return m_sound && m_sound->mixerAvailable(); }

int SerialModeDevices::mixerRecordingLines() const { return m_sound ? m_sound->mixerRecordingLines() : 0; }

void SerialModeDevices::selectMixerLine(int line)
{
    if (m_sound)
        m_sound->selectMixerLine(line);
}

bool SerialModeDevices::ptc2Release() { return devices().ptc2Release(); }

bool SerialModeDevices::ptc2Initialise(std::string_view mode) { return devices().ptc2Initialise(mode); }

bool SerialModeDevices::hariFaxInitialise(std::string_view mode) { return devices().hariFaxInitialise(mode); }

bool SerialModeDevices::easyDspDownload(const std::filesystem::path& lodFile, bool vireo)
{
    return vireo ? devices().easyDspDownloadVireo(lodFile) : devices().easyDspDownloadAleph(lodFile);
}

} // namespace tellur::signal
