// The station's devices as the operating-mode switch drives them: the soundcard (capture through
// the selected demodulator, tone output, wave-file playback), the main and second serial port
// with the serial reader and the EasyDSP/PTC-II/HariFax set-up procedures, the external-command
// runner and the switch itself. Receive windows request their operating mode here, whatever the
// configured interface.
//
// One instance per running station, owned by the main window; reconfigure() follows the
// configuration when it is applied (no receive window is open then, the mode is -1). GUI thread. The serial set-up
// waits serve window messages while they wait, unless the program is closing.
#pragma once

#include "core/mode_switch.h"
#include "platform/audio_soundcard.h"
#include "platform/process_runner.h"
#include "platform/qt_serial_port.h"
#include "signal/serial_mode_devices.h"
#include "signal/serial_wait.h"
#include "ui/serial_device_dialogs.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace tellur::ui {

struct StationContext;

class StationDevices {
public:
    // mixerDeviceCount: the sound input devices the configuration's mixer index counts against
    // (its "Auto" entry is the one after the last). closing tells whether the program is
    // closing down, when the set-up waits stop serving window messages.
    StationDevices(StationContext& station, QWidget* dialogParent, int mixerDeviceCount,
                   std::function<bool()> closing = {});
    ~StationDevices();
    StationDevices(const StationDevices&) = delete;
    StationDevices& operator=(const StationDevices&) = delete;

    // Takes the sound devices and the port map (ports.conf) from the configuration and the
    // station folder anew. Only while the mode is -1.
    void reconfigure(int mixerDeviceCount);

    // Stops every writer of the sample ring (serial reader, wave-file playback, live capture), so
    // that the ring can be reset before the next mode starts its writer.
    void stopRingWriters();
    // The operating-mode switch (-1..11). Afterwards the soundcard captures again when its
    // demodulator receives; mode -1 also ends capture and tone output.
    bool setOperatingMode(int m);

    // Largest audio magnitude (x10000) since the last call; 0 unless the interface is the
    // soundcard.
    std::int64_t takeAudioPeak();
    // Whether the ring items are 14-bit values (AM FAX through the soundcard, or a serial
    // interface in an AM mode with the 14-bit setting).
    bool fourteenBitItems();

    // Wave-file decoding through the soundcard's demodulator; false unless capture runs or is
    // wanted (soundcard interface, a receive mode in force) and no playback runs already.
    bool startWavePlayback(const std::filesystem::path& file, signal::WavePlaybackHooks hooks);
    void abortWavePlayback();
    bool wavePlaybackRunning() const;

    // PTC-II command files of the station folder ("PTCINI.INI", "PTCFAXINI.INI", ...); nothing
    // happens for other interfaces or when the file is missing.
    void runPtcCommandFile(const std::string& name);

    ModeSwitch& modeSwitch() { return m_modeSwitch; }
    platform::Soundcard& soundcard() { return *m_soundcard; }
    signal::SerialModeDevices& serial() { return m_serial; }
    platform::QtSerialPort& mainPort() { return m_mainPort; }
    platform::QtProcessRunner& processes() { return m_processes; }
    SerialDeviceDialogs& deviceDialogs() { return m_dialogs; }

private:
    // The sound half of the switch's devices: demodulator selection on the soundcard; there is
    // no mixer (the desktop's sound server owns the input lines).
    class SoundSide final : public ModeSwitchDevices {
    public:
        SoundSide(StationDevices& owner, const StationConfig& config) : m_owner(owner), m_config(config) { }
        void selectDemodulator(std::string_view name) override;
        bool mixerAvailable() const override { return false; }
        int mixerRecordingLines() const override { return 0; }
        void selectMixerLine(int) override { }

        void stopSerialReader() override { }
        void startSerialReader(int) override { }
        bool serialPortOpen() const override { return false; }
        void closeSerialPort() override { }
        bool reopenSerialPort(int, std::optional<int>) override { return false; }
        bool testSerialPort(int) override { return false; }
        bool ptc2Release() override { return false; }
        bool ptc2Initialise(std::string_view) override { return false; }
        bool hariFaxInitialise(std::string_view) override { return false; }
        bool easyDspDownload(const std::filesystem::path&, bool) override { return false; }

    private:
        StationDevices& m_owner;
        const StationConfig& m_config;
    };

    void pump();

    StationContext& m_station;
    std::function<bool()> m_closing;
    std::unique_ptr<platform::Soundcard> m_soundcard;
    SoundSide m_soundSide;
    platform::QtSerialPort m_mainPort;
    platform::QtSerialPort m_pulsePort;
    signal::SteadySerialClock m_clock;
    signal::SerialWaiter m_waiter {m_clock};
    SerialDeviceDialogs m_dialogs;
    platform::QtProcessRunner m_processes;
    signal::SerialModeDevices m_serial;
    ModeSwitch m_modeSwitch;
};

} // namespace tellur::ui
