// Real audio devices: tones from the tone generator go out through the playback device into a
// PulseAudio null sink, come back through the capture device from its monitor, and are
// demodulated. ./tellur test starts the private server; without one the test is skipped.
#include "platform/audio_devices.h"
#include "signal/demodulators.h"
#include "signal/tone_generator.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

using namespace tellur;
using namespace tellur::signal;

namespace {

void ensureApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "test_platform";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

// Longest run of items within tolerance of level, and where it ends.
std::pair<int, int> longestRun(const std::vector<std::uint16_t>& items, int level, int tolerance)
{
    int best = 0, bestEnd = -1, run = 0;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        run = std::abs(int(items[static_cast<std::size_t>(i)]) - level) <= tolerance ? run + 1 : 0;
        if (run > best) {
            best = run;
            bestEnd = i;
        }
    }
    return {best, bestEnd};
}

// How many items lie within tolerance of level, and the index of the middle one of them.
std::pair<int, int> countNear(const std::vector<std::uint16_t>& items, int level, int tolerance)
{
    std::vector<int> at;
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
        if (std::abs(int(items[static_cast<std::size_t>(i)]) - level) <= tolerance)
            at.push_back(i);
    return {static_cast<int>(at.size()), at.empty() ? -1 : at[at.size() / 2]};
}

} // namespace

TEST(AudioLoopback, PlayedTonesComeBackThroughTheCaptureDevice)
{
    if (!std::getenv("PULSE_SERVER"))
        GTEST_SKIP() << "no PulseAudio server: PULSE_SERVER is unset (./tellur test starts one with a null sink)";
    ensureApp();
    std::string input;
    for (const auto& n : platform::audioInputNames())
        if (n.find("LoopIn") != std::string::npos)
            input = n;
    if (input.empty())
        GTEST_SKIP() << "the PulseAudio server has no \"LoopIn\" capture source (see pulse-loopback.sh)";
    auto outputs = platform::audioOutputNames();
    ASSERT_FALSE(outputs.empty());

    RecordingEventLog log;
    SoundcardDemodulator demod;
    ASSERT_TRUE(demod.select("FMFAX"));
    auto ring = std::make_unique<SampleRing>();
    std::atomic<int> blocks{0};
    platform::AudioCapture capture(log);
    ASSERT_TRUE(capture.start(input, [&](std::span<const std::int16_t> block) {
        EXPECT_EQ(block.size(), 512u);
        demod.process(block, *ring);
        ++blocks;
    })) << (log.entries().empty() ? "" : log.entries().back().text);

    platform::AudioPlayback output(platform::kAutoAudioDevice);
    TonePlayer player(output, log);
    output.setPlayedHandler([&](int header) { player.played(header); });
    player.open();
    ASSERT_EQ(player.state(), TonePlayer::Idle) << (log.entries().empty() ? "" : log.entries().back().text);
    ToneGenerator gen(player);
    gen.appendTone(1500, 1.2);
    gen.appendTone(2300, 1.2);
    gen.flush();
    EXPECT_GT(player.queuedMs(), 2000);

    // Polling a real device: generous bound, ends as soon as everything has been played.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (player.queuedMs() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(player.queuedMs(), 0) << "every chunk is reported played";
    std::this_thread::sleep_for(std::chrono::milliseconds(600)); // the monitor's latency
    player.stop(false);
    capture.stop();
    EXPECT_EQ(player.state(), TonePlayer::Closed);
    EXPECT_GT(blocks.load(), 20);

    std::vector<std::uint16_t> items;
    for (std::int32_t r = 0; r != ring->writeSnapshot(); ++r)
        items.push_back(ring->at(r));
    // 1.2 s of each tone is about 8800 items. A sound server on a busy machine may drop a
    // fragment of capture, so the tones are counted rather than required unbroken.
    auto low = countNear(items, 65, 8);
    auto high = countNear(items, 191, 8);
    EXPECT_GT(low.first, 6000) << "1500 Hz came back as about 65";
    EXPECT_GT(high.first, 6000) << "2300 Hz came back as about 191";
    EXPECT_LT(low.second, high.second) << "in the order played";
    for (const auto& e : log.entries())
        ADD_FAILURE() << "logged: " << e.text;
}

TEST(AudioDevices, UnknownDeviceIsLoggedWithTheStepName)
{
    if (!std::getenv("PULSE_SERVER"))
        GTEST_SKIP() << "no PulseAudio server: PULSE_SERVER is unset (./tellur test starts one with a null sink)";
    ensureApp();
    RecordingEventLog log;
    platform::AudioCapture capture(log);
    EXPECT_FALSE(capture.start("no such device", [](std::span<const std::int16_t>) {}));
    EXPECT_FALSE(capture.running());
    EXPECT_TRUE(log.contains("+++RXPlayer.Open, WaveinOpen: no audio input device \"no such device\""));
    platform::AudioPlayback output("no such device");
    EXPECT_FALSE(output.open().empty());
}

#include "platform/audio_soundcard.h"

#include <fstream>
#include <numbers>
#include <unistd.h>

TEST(Soundcard, SelectSwitchesBetweenCaptureToneOutputAndPlayback)
{
    if (!std::getenv("PULSE_SERVER"))
        GTEST_SKIP() << "no PulseAudio server: PULSE_SERVER is unset (./tellur test starts one with a null sink)";
    ensureApp();
    RecordingEventLog log;
    auto ring = std::make_unique<SampleRing>();
    platform::Soundcard card(*ring, log);

    card.select("SSTVTX");
    ASSERT_NE(card.toneGenerator(), nullptr);
    EXPECT_FALSE(card.capturing());
    card.toneGenerator()->appendTone(1900, 0.3);

    card.select("FMFAX"); // plays out the tone, then captures
    EXPECT_EQ(card.toneGenerator(), nullptr);
    EXPECT_TRUE(card.capturing());

    // A 1 s file of 2300 Hz decoded in place of live capture.
    auto path = std::filesystem::temp_directory_path() / ("tellur-soundcard-" + std::to_string(::getpid()) + ".wav");
    {
        std::ofstream f(path, std::ios::binary);
        auto u32 = [&](std::uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](std::uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
        f.write("RIFF", 4);
        u32(36 + 22050);
        f.write("WAVEfmt ", 8);
        u32(16);
        u16(1);
        u16(1);
        u32(11025);
        u32(22050);
        u16(2);
        u16(16);
        f.write("data", 4);
        u32(22050);
        for (int i = 0; i < 11025; ++i)
            u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(9000 * std::sin(2 * std::numbers::pi * 2300 * i / 11025.0))));
    }
    std::atomic<int> hidden{0};
    std::vector<std::uint16_t> seen;
    signal::WavePlaybackHooks hooks;
    hooks.hidePanel = [&] { ++hidden; };
    ASSERT_TRUE(card.startWavePlayback(path, hooks));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (card.wavePlaybackRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(card.wavePlaybackRunning());
    EXPECT_EQ(hidden.load(), 1);
    EXPECT_TRUE(card.capturing()) << "live capture resumes with the same demodulator";
    EXPECT_EQ(card.demodulator().current(), DemodType::FmFax);
    card.select("");
    for (std::int32_t r = 0; r != ring->writeSnapshot(); ++r)
        seen.push_back(ring->at(r));
    EXPECT_GT(longestRun(seen, 191, 3).first, 7000) << "the file's 2300 Hz";
    std::filesystem::remove(path);
}
