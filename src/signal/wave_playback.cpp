#include "signal/wave_playback.h"

#include "signal/wave_source.h"

#include <vector>

namespace tellur::signal {

WavePlayback::WavePlayback(SoundcardDemodulator& demod, SampleRing& ring, CaptureControl& capture,
                           WavePlaybackHooks hooks)
    : m_demod(demod), m_ring(ring), m_capture(capture), m_hooks(std::move(hooks))
{
    if (!m_hooks.pause)
        m_hooks.pause = [](std::chrono::milliseconds ms) { std::this_thread::sleep_for(ms); };
}

WavePlayback::~WavePlayback()
{
    abort();
    wait();
}

bool WavePlayback::start(const std::filesystem::path& file)
{
    bool expected = false;
    if (!m_playing.compare_exchange_strong(expected, true))
        return false;
    if (m_thread.joinable())
        m_thread.join(); // the previous playback has finished its body already
    m_thread = std::jthread([this, file](std::stop_token stop) {
        run(file, stop);
        m_playing.store(false);
    });
    return true;
}

void WavePlayback::abort()
{
    if (m_thread.joinable())
        m_thread.request_stop();
}

void WavePlayback::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

int WavePlayback::run(const std::filesystem::path& file, std::stop_token stop)
{
    if (!m_capture.capturing())
        return 0;
    if (m_hooks.showPanel)
        m_hooks.showPanel();
    m_capture.stopLiveCapture();

    int blocks = 0;
    std::string error;
    auto src = WaveSource::open(file, error);
    if (src && !src->isStationFormat()) {
        if (m_hooks.message)
            m_hooks.message(kWrongWaveFormatMessage);
    } else if (src) {
        std::vector<std::int16_t> block(kBlockBytes / 2);
        while (!stop.stop_requested()) {
            std::size_t n = src->read(block);
            if (n == 0)
                break;
            // A short last block is passed on cut to the samples read.
            m_demod.process(std::span<const std::int16_t>(block).first(n), m_ring);
            ++blocks;
            m_hooks.pause(kPause);
        }
    }
    // The panel was shown before the file was opened, so it is hidden whatever the file held.
    if (m_hooks.hidePanel)
        m_hooks.hidePanel();
    m_capture.resumeLiveCapture();
    return blocks;
}

} // namespace tellur::signal
