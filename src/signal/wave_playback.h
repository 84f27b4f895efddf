// Decoding a recording as if it came from the soundcard: the playback thread stops live capture,
// feeds the file's samples to the selected demodulator in 1024-byte blocks with a 5 ms pause
// between them, and resumes live capture with the same demodulator when the file ends or the
// user aborts.
//
// Threads: start()/abort()/wait() on the GUI thread; the body runs on its own std::jthread and
// is the sample ring's only writer while it runs. The hooks are called on that thread: a GUI
// implementation posts them to its own thread.
#pragma once

#include "core/sample_ring.h"
#include "signal/demodulators.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <thread>

namespace tellur::signal {

// The live capture the playback replaces for its duration.
class CaptureControl {
public:
    virtual ~CaptureControl() = default;
    virtual bool capturing() const = 0;
    // Close the input device; the demodulator routine stays selected.
    virtual void stopLiveCapture() = 0;
    // Reopen the input device with the current demodulator routine.
    virtual void resumeLiveCapture() = 0;
};

struct WavePlaybackHooks {
    std::function<void()> showPanel;                     // WavePlaybackPanel
    std::function<void()> hidePanel;
    std::function<void(const std::string&)> message;     // the wrong-format message
    std::function<void(std::chrono::milliseconds)> pause; // default: sleep
};

class WavePlayback {
public:
    static constexpr int kBlockBytes = 1024;
    static constexpr std::chrono::milliseconds kPause{5};

    WavePlayback(SoundcardDemodulator& demod, SampleRing& ring, CaptureControl& capture, WavePlaybackHooks hooks = {});
    ~WavePlayback(); // aborts and waits

    // Starts the playback thread for file. Ignored (false) while a playback runs.
    bool start(const std::filesystem::path& file);
    // Requests the end; the thread stops within one block.
    void abort();
    void wait();
    bool playing() const { return m_playing.load(); }

    // The thread's body, for callers that bring their own thread. Returns the blocks passed on.
    int run(const std::filesystem::path& file, std::stop_token stop);

private:
    SoundcardDemodulator& m_demod;
    SampleRing& m_ring;
    CaptureControl& m_capture;
    WavePlaybackHooks m_hooks;
    std::atomic<bool> m_playing{false};
    std::jthread m_thread;
};

} // namespace tellur::signal
