// Soundcard devices through Qt Multimedia: capture at 11025 S/s 16-bit mono delivered in
// 512-sample blocks on an audio thread, playback of the tone generator's chunks with a report
// for each chunk that has left the device's buffer, and the device lists for the settings.
//
// Both classes run their Qt audio object on a private thread with its own event loop; their
// public methods are called from one controlling thread (the GUI thread or the transmitter).
// A QCoreApplication must exist.
#pragma once

#include "core/event_log.h"
#include "signal/tone_generator.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tellur::platform {

// The list entry that picks the system's default device.
inline constexpr const char* kAutoAudioDevice = "Auto";

// Device descriptions, as the configuration dialog lists them and as --device takes them.
std::vector<std::string> audioInputNames();
std::vector<std::string> audioOutputNames();

class AudioThread;
struct AudioOutQueue;

class AudioCapture {
public:
    using BlockConsumer = std::function<void(std::span<const std::int16_t> block)>;
    static constexpr int kBlockSamples = 512;

    explicit AudioCapture(EventLog& log);
    ~AudioCapture();
    AudioCapture(const AudioCapture&) = delete;
    AudioCapture& operator=(const AudioCapture&) = delete;

    // Opens the named input ("" or "Auto": the default) and records. The consumer is called on
    // the audio thread with every full block. Failures are logged as "+++" + step + ": " + text.
    bool start(const std::string& deviceName, BlockConsumer consumer);
    // Stops recording; when it returns the consumer is not called any more.
    void stop();
    bool running() const { return m_thread != nullptr; }

private:
    EventLog& m_log;
    std::unique_ptr<AudioThread> m_thread;
};

// The tone player's output device. setPlayedHandler() receives the header of every chunk that
// has been played (on the audio thread).
class AudioPlayback final : public signal::AudioOutputDevice {
public:
    explicit AudioPlayback(std::string deviceName = kAutoAudioDevice);
    ~AudioPlayback() override;

    void setPlayedHandler(std::function<void(int header)> handler) { m_played = std::move(handler); }

    std::string open() override;
    std::string write(int header, std::span<const std::int16_t> samples) override;
    std::string reset() override;
    std::string close() override;

private:
    std::string m_deviceName;
    std::function<void(int)> m_played;
    std::shared_ptr<AudioOutQueue> m_queue;
    std::unique_ptr<AudioThread> m_thread;
};

} // namespace tellur::platform
