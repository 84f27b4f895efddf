// The soundcard as the mode switch and the receive windows use it: one object that either
// captures through the selected demodulator into the sample ring, or plays the tone generator's
// output, and that hands the demodulator to a wave-file playback for a while.
//
// Owned by the receive window that created it; all methods on the GUI thread. The demodulator
// runs on the capture's audio thread or on the playback thread; its controls are thread-safe.
#pragma once

#include "core/event_log.h"
#include "core/sample_ring.h"
#include "platform/audio_devices.h"
#include "signal/demodulators.h"
#include "signal/tone_generator.h"
#include "signal/wave_playback.h"

#include <memory>
#include <string>
#include <string_view>

namespace tellur::platform {

struct SoundcardDevices {
    std::string input = kAutoAudioDevice;
    std::string output = kAutoAudioDevice;
};

// The configured choice: "Auto" when the mixer index is the list entry after the last mixer,
// otherwise the input and output devices at the configured wave-device index (out-of-range
// indexes fall back to "Auto").
SoundcardDevices soundcardDevicesFromConfig(int waveDeviceIndex, int mixerDeviceIndex, int mixerDeviceCount);

class Soundcard final : public signal::CaptureControl {
public:
    Soundcard(SampleRing& ring, EventLog& log, SoundcardDevices devices = {});
    ~Soundcard() override;
    Soundcard(const Soundcard&) = delete;
    Soundcard& operator=(const Soundcard&) = delete;

    // Stops tone output and capture; "SSTVTX" then starts the tone output, any other non-empty
    // name starts capture with that demodulator ("" only stops).
    void select(std::string_view name);

    signal::SoundcardDemodulator& demodulator() { return m_demod; }
    // Present while tone output runs ("SSTVTX"); the transmitters write their codes into it.
    signal::ToneGenerator* toneGenerator() { return m_generator.get(); }
    signal::TonePlayer* tonePlayer() { return m_player.get(); }
    // Plays what is left (unless aborting) and closes the output device.
    void stopToneOutput(bool abort);

    // Wave-file decoding: only while capture runs; a second start is ignored.
    bool startWavePlayback(const std::filesystem::path& file, signal::WavePlaybackHooks hooks = {});
    void abortWavePlayback();
    bool wavePlaybackRunning() const { return m_playback && m_playback->playing(); }

    // CaptureControl (used by the playback thread).
    bool capturing() const override { return m_captureWanted; }
    void stopLiveCapture() override;
    void resumeLiveCapture() override;

private:
    void startCapture();
    void stopCapture();

    SampleRing& m_ring;
    EventLog& m_log;
    SoundcardDevices m_devices;
    signal::SoundcardDemodulator m_demod;
    std::unique_ptr<AudioCapture> m_capture;
    bool m_captureWanted = false; // a receive routine is selected and capture should run
    std::unique_ptr<AudioPlayback> m_output;
    std::unique_ptr<signal::TonePlayer> m_player;
    std::unique_ptr<signal::ToneGenerator> m_generator;
    std::unique_ptr<signal::WavePlayback> m_playback;
};

} // namespace tellur::platform
