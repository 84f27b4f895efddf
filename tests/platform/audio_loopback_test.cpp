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
    auto low = longestRun(items, 65, 8);
    auto high = longestRun(items, 191, 8);
    EXPECT_GT(low.first, 4000) << "1500 Hz came back as about 65";
    EXPECT_GT(high.first, 4000) << "2300 Hz came back as about 191";
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
