#include "ui/station_devices.h"

#include "ui/station_context.h"
#include "signal/serial_port_map.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace tellur::ui {

void StationDevices::SoundSide::selectDemodulator(std::string_view name)
{
    // The rate may have changed in the configuration dialog since the last selection.
    m_owner.soundcard().demodulator().setDataRate(m_config.dataRate());
    m_owner.soundcard().select(name);
}

StationDevices::StationDevices(StationContext& station, QWidget* dialogParent, int mixerDeviceCount,
                               std::function<bool()> closing)
    : m_station(station)
    , m_closing(std::move(closing))
    , m_soundSide(*this, station.config)
    , m_dialogs(dialogParent)
    , m_serial(station.config, station.flags, station.ring, m_mainPort, m_pulsePort, m_waiter, *station.log, m_dialogs,
               &m_processes)
    , m_modeSwitch(station.config, station.flags, m_serial, m_processes, *station.log, station.folder)
{
    m_serial.setSoundSide(&m_soundSide);
    m_serial.setStationFolder(station.folder);
    reconfigure(mixerDeviceCount);
    m_waiter.setMessagePump([this] { pump(); });
    m_waiter.setCloseStarted([this] { return m_closing && m_closing(); });
    m_processes.setMessagePump([this] { pump(); });
}

StationDevices::~StationDevices()
{
    // No protocol any more (the receive window has released the interface): only the writers
    // stop and the ports close, so nothing writes into the ring after the station has gone.
    m_serial.stopSerialReader();
    m_soundcard->select("");
    m_serial.closeSerialPort();
    m_pulsePort.close();
}

void StationDevices::reconfigure(int mixerDeviceCount)
{
    const auto& c = m_station.config;
    m_soundcard.reset();
    m_soundcard = std::make_unique<platform::Soundcard>(
        m_station.ring, *m_station.log,
        platform::soundcardDevicesFromConfig(c.i32(cfg::kSoundDevice), c.mixerDevice(), mixerDeviceCount));
    const auto map = signal::loadPortMap(m_station.folder);
    m_mainPort.setPortMap(map);
    m_pulsePort.setPortMap(map);
    m_serial.setDownloaderCommand(map.downloaderCommand.empty() ? std::string(signal::kDefaultDownloaderCommand)
                                                                : map.downloaderCommand);
}

void StationDevices::pump()
{
    if (m_closing && m_closing())
        return; // the windows are being taken down: nothing may run in between
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void StationDevices::stopRingWriters()
{
    m_serial.stopSerialReader();
    if (m_soundcard->wavePlaybackRunning()) {
        // The playback hands back to live capture as it ends; that capture is stopped below.
        m_soundcard->abortWavePlayback();
        while (m_soundcard->wavePlaybackRunning())
            std::this_thread::sleep_for(std::chrono::milliseconds(1)); // within one 5 ms block
    }
    m_soundcard->stopLiveCapture();
}

bool StationDevices::setOperatingMode(int m)
{
    // Set-up procedures serve window messages while they wait; the timers must not start
    // another switch (or close the window asking for this one) meanwhile.
    ModalPause pause(m_station);
    const bool ok = m_modeSwitch.setOperatingMode(m);
    if (m == ModeOff)
        m_soundcard->select("");
    else
        m_soundcard->resumeLiveCapture(); // the same demodulator again: the switch left it alone
    return ok;
}

std::int64_t StationDevices::takeAudioPeak()
{
    if (m_station.interfaceType() != InterfaceSoundCard)
        return 0;
    return m_soundcard->demodulator().takeAudioPeak();
}

bool StationDevices::fourteenBitItems()
{
    if (m_station.interfaceType() == InterfaceSoundCard)
        return m_soundcard->demodulator().fourteenBitItems();
    return m_station.flags.fourteenBitStream.load();
}

bool StationDevices::startWavePlayback(const std::filesystem::path& file, signal::WavePlaybackHooks hooks)
{
    return m_soundcard->startWavePlayback(file, std::move(hooks));
}

void StationDevices::abortWavePlayback()
{
    m_soundcard->abortWavePlayback();
}

bool StationDevices::wavePlaybackRunning() const
{
    return m_soundcard->wavePlaybackRunning();
}

void StationDevices::runPtcCommandFile(const std::string& name)
{
    if (m_station.interfaceType() != InterfacePtc2)
        return;
    const auto file = m_station.folder / name;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return;
    m_serial.stopSerialReader(); // the procedure reads the port itself
    m_serial.devices().ptc2CommandFile(file);
}

} // namespace tellur::ui
