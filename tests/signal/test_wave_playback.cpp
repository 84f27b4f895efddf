#include "signal/wave_playback.h"
#include "signal/wave_source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <semaphore>
#include <unistd.h>

using namespace tellur;
using namespace tellur::signal;

namespace {

struct FakeCapture final : CaptureControl {
    bool capturing() const override { return on; }
    void stopLiveCapture() override { ++stops; }
    void resumeLiveCapture() override { ++resumes; }
    bool on = true;
    int stops = 0, resumes = 0;
};

std::filesystem::path writeWav(const std::string& name, int frames, int channels = 1, int rate = 11025)
{
    auto dir = std::filesystem::temp_directory_path() / ("tellur-playback-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto path = dir / name;
    std::ofstream f(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
    std::uint32_t data = static_cast<std::uint32_t>(frames * channels * 2);
    f.write("RIFF", 4);
    u32(36 + data);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(static_cast<std::uint16_t>(channels));
    u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate * channels * 2));
    u16(static_cast<std::uint16_t>(channels * 2));
    u16(16);
    f.write("data", 4);
    u32(data);
    for (int i = 0; i < frames * channels; ++i)
        u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(9000 * std::sin(2 * std::numbers::pi * 2300 * i / rate))));
    return path;
}

struct Rig {
    SoundcardDemodulator demod;
    std::unique_ptr<SampleRing> ring = std::make_unique<SampleRing>();
    FakeCapture capture;
    std::vector<std::string> events;
    WavePlaybackHooks hooks()
    {
        return {[this] { events.push_back("show"); }, [this] { events.push_back("hide"); },
                [this](const std::string& m) { events.push_back(m); }, [](std::chrono::milliseconds) {}};
    }
};

} // namespace

TEST(WavePlayback, FeedsTheWholeFileAndResumesCapture)
{
    Rig rig;
    rig.demod.select("FMFAX");
    WavePlayback playback(rig.demod, *rig.ring, rig.capture, rig.hooks());
    std::stop_source never;
    EXPECT_EQ(playback.run(writeWav("tone.wav", 27562), never.get_token()), 54) << "53 full blocks and the short tail";
    EXPECT_EQ(rig.ring->writeSnapshot(), 27562 - 27562 / 3);
    EXPECT_EQ(rig.ring->at(rig.ring->writeSnapshot() - 1), 191);
    EXPECT_EQ(rig.capture.stops, 1);
    EXPECT_EQ(rig.capture.resumes, 1);
    EXPECT_EQ(rig.events, (std::vector<std::string>{"show", "hide"}));
    EXPECT_EQ(rig.demod.current(), DemodType::FmFax);
}

TEST(WavePlayback, WrongFormatShowsTheMessageAndWritesNothing)
{
    for (auto path : {writeWav("stereo.wav", 5000, 2), writeWav("fast.wav", 5000, 1, 22050)}) {
        Rig rig;
        rig.demod.select("FMFAX");
        WavePlayback playback(rig.demod, *rig.ring, rig.capture, rig.hooks());
        std::stop_source never;
        EXPECT_EQ(playback.run(path, never.get_token()), 0);
        EXPECT_EQ(rig.ring->writeSnapshot(), 0);
        EXPECT_EQ(rig.events, (std::vector<std::string>{"show", kWrongWaveFormatMessage, "hide"}));
        EXPECT_EQ(rig.capture.resumes, 1);
    }
    // An unreadable file ends without a message; capture still resumes.
    Rig rig;
    WavePlayback playback(rig.demod, *rig.ring, rig.capture, rig.hooks());
    std::stop_source never;
    EXPECT_EQ(playback.run("/nonexistent/file.wav", never.get_token()), 0);
    EXPECT_EQ(rig.events, (std::vector<std::string>{"show", "hide"}));
    EXPECT_EQ(rig.capture.resumes, 1);
}

TEST(WavePlayback, AbortStopsWithinOneBlock)
{
    Rig rig;
    rig.demod.select("SSTV");
    std::stop_source stop;
    int pauses = 0;
    auto hooks = rig.hooks();
    hooks.pause = [&](std::chrono::milliseconds ms) {
        EXPECT_EQ(ms.count(), 5);
        if (++pauses == 10)
            stop.request_stop();
    };
    WavePlayback playback(rig.demod, *rig.ring, rig.capture, hooks);
    EXPECT_EQ(playback.run(writeWav("long.wav", 110250), stop.get_token()), 10);
    EXPECT_EQ(rig.capture.resumes, 1);
}

TEST(WavePlayback, NothingWithoutLiveCaptureAndOnePlaybackAtATime)
{
    Rig rig;
    rig.capture.on = false;
    WavePlayback idle(rig.demod, *rig.ring, rig.capture, rig.hooks());
    std::stop_source never;
    EXPECT_EQ(idle.run(writeWav("x.wav", 2000), never.get_token()), 0);
    EXPECT_TRUE(rig.events.empty());
    EXPECT_EQ(rig.capture.stops, 0);

    Rig live;
    live.demod.select("FMFAX");
    std::binary_semaphore release(0);
    auto hooks = live.hooks();
    hooks.pause = [&](std::chrono::milliseconds) { release.acquire(); };
    WavePlayback playback(live.demod, *live.ring, live.capture, hooks);
    ASSERT_TRUE(playback.start(writeWav("y.wav", 110250)));
    EXPECT_TRUE(playback.playing());
    EXPECT_FALSE(playback.start(writeWav("z.wav", 2000))) << "a second start is ignored";
    playback.abort();
    release.release();
    playback.wait();
    EXPECT_FALSE(playback.playing());
    EXPECT_EQ(live.capture.resumes, 1);
}
