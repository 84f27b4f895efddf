// The serial half of what the mode switch drives: the main and second serial port, the serial
// reader thread, and the EasyDSP/PTC-II/HariFax set-up procedures, behind the mode switch's
// device interface. The soundcard demodulator and the mixer belong to the sound side, which is
// handed in and called through (without one there is no mixer and demodulator names are
// dropped).
//
// GUI thread only, like the mode switch. Settings are read from the live configuration record
// at each call, so a changed COM port or baud rate applies from the next switch on. The
// interface status message of the procedures is kept in the run flags.
#pragma once

#include "core/mode_switch.h"
#include "core/operating_mode.h"
#include "core/sample_ring.h"
#include "signal/serial_devices.h"
#include "signal/serial_framing.h"
#include "signal/serial_reader.h"
#include "signal/serial_transmit.h"

#include <memory>

namespace tellur::signal {

class SerialModeDevices final : public ModeSwitchDevices {
public:
    SerialModeDevices(const StationConfig& config, RunFlags& flags, SampleRing& ring, SerialPort& mainPort,
                      SerialPort& pulsePort, SerialWaiter& waiter, EventLog& log, SerialDeviceUi& ui,
                      CommandRunner* runner = nullptr);
    ~SerialModeDevices() override;

    void setSoundSide(ModeSwitchDevices* sound) { m_sound = sound; }
    // Program folder (where the downloader runs) and the downloader's command pattern.
    void setStationFolder(std::filesystem::path folder) { m_stationFolder = std::move(folder); }
    void setDownloaderCommand(std::string command) { m_downloader = std::move(command); }

    // The procedures and the transmit side for the other users (RTTY window, frequency
    // control, transmitters), with settings refreshed from the configuration.
    SerialDevices& devices();
    SerialTransmit& transmit();
    bool readerRunning() const { return m_reader != nullptr; }

    void stopSerialReader() override;
    void startSerialReader(int priorityIndex) override;
    bool serialPortOpen() const override;
    void closeSerialPort() override;
    bool reopenSerialPort(int number, std::optional<int> baudRate) override;
    bool testSerialPort(int number) override;

    void selectDemodulator(std::string_view name) override;
    bool mixerAvailable() const override;
    int mixerRecordingLines() const override;
    void selectMixerLine(int line) override;

    bool ptc2Release() override;
    bool ptc2Initialise(std::string_view mode) override;
    bool hariFaxInitialise(std::string_view mode) override;
    bool easyDspDownload(const std::filesystem::path& lodFile, bool vireo) override;

private:
    // Passes questions and progress on, and keeps the status message in the run flags.
    class FlagsUi final : public SerialDeviceUi {
    public:
        FlagsUi(SerialDeviceUi& ui, RunFlags& flags) : m_ui(ui), m_flags(flags) { }
        bool askRetry(std::string_view text) override { return m_ui.askRetry(text); }
        void loadBegin(std::string_view file, std::int64_t total) override { m_ui.loadBegin(file, total); }
        void loadProgress(std::int64_t position) override { m_ui.loadProgress(position); }
        void loadEnd() override { m_ui.loadEnd(); }
        void statusChanged(std::string_view message) override
        {
            m_flags.interfaceStatusMessage = std::string(message);
            m_ui.statusChanged(message);
        }

    private:
        SerialDeviceUi& m_ui;
        RunFlags& m_flags;
    };

    void refreshSettings();

    const StationConfig& m_config;
    RunFlags& m_flags;
    SampleRing& m_ring;
    SerialPort& m_main;
    FlagsUi m_ui;
    SerialDevices m_devices;
    SerialTransmit m_transmit;
    SerialFraming m_framing;
    std::unique_ptr<Tspythread> m_reader;
    ModeSwitchDevices* m_sound = nullptr;
    std::filesystem::path m_stationFolder;
    std::string m_downloader {kDefaultDownloaderCommand};
};

} // namespace tellur::signal
