#include "signal/tone_generator.h"

#include "signal/demodulators.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

using namespace tellur;
using namespace tellur::signal;

namespace {

// Frequency from upward zero crossings over whole samples.
double measuredHz(const std::vector<std::int16_t>& s)
{
    int first = -1, last = -1, crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i - 1] < 0 && s[i] >= 0) {
            if (first < 0)
                first = static_cast<int>(i);
            last = static_cast<int>(i);
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return (crossings - 1) * double(kSoundcardRate) / (last - first);
}

struct FakeOutput final : AudioOutputDevice {
    std::string open() override { ++opens; return openError; }
    std::string write(int header, std::span<const std::int16_t> s) override
    {
        writes.push_back(header);
        samples += s.size();
        return writeError;
    }
    std::string reset() override { ++resets; return {}; }
    std::string close() override { ++closes; return {}; }
    int opens = 0, resets = 0, closes = 0;
    std::size_t samples = 0;
    std::vector<int> writes;
    std::string openError, writeError;
};

} // namespace

TEST(ToneGenerator, CodesGiveTheirFrequencies)
{
    struct Row {
        std::uint8_t code;
        double hz;
    };
    for (Row r : {Row{255, 2400}, Row{1, 1005}, Row{164, 1900}}) {
        VectorToneSink sink;
        ToneGenerator gen(sink);
        std::vector<std::uint8_t> codes(7350, r.code);
        gen.appendCodes(codes);
        ASSERT_EQ(sink.samples.size(), 11025u);
        EXPECT_NEAR(measuredHz(sink.samples), r.hz, 1.0) << int(r.code);
        EXPECT_EQ(ToneGenerator::codeFrequencyHz(r.code), int(r.hz));
    }
    EXPECT_EQ(ToneGenerator::codeForFrequency(1900), 164);
    EXPECT_EQ(ToneGenerator::codeForFrequency(2400), 255);
    EXPECT_EQ(ToneGenerator::codeForFrequency(900), 0);
}

TEST(ToneGenerator, CodeZeroIsSilenceAfterTheOneSampleLag)
{
    VectorToneSink sink;
    ToneGenerator gen(sink);
    std::vector<std::uint8_t> codes(7350, 0);
    gen.appendCodes(codes);
    ASSERT_EQ(sink.samples.size(), 11025u);
    EXPECT_EQ(sink.samples[0], 100) << "the first sample is the initial pending value";
    for (std::size_t i = 1; i < sink.samples.size(); ++i)
        ASSERT_EQ(sink.samples[i], 0) << i;
}

TEST(ToneGenerator, OneAndAHalfSamplesPerCodeInOneSecondBlocks)
{
    VectorToneSink sink;
    ToneGenerator gen(sink);
    std::vector<std::uint8_t> one{164};
    gen.appendCodes(one);
    EXPECT_EQ(gen.pendingSamples(), 2);
    gen.appendCodes(one);
    EXPECT_EQ(gen.pendingSamples(), 3);
    std::vector<std::uint8_t> codes(7350 - 2, 164);
    gen.appendCodes(codes);
    EXPECT_EQ(sink.samples.size(), 11025u);
    EXPECT_EQ(gen.pendingSamples(), 0);
    EXPECT_EQ(sink.blockDurationsMs, std::vector<int>{1000});
    // A transmission that ends mid-block is handed on by flush.
    std::vector<std::uint8_t> more(100, 200);
    gen.appendCodes(more);
    EXPECT_EQ(gen.flush(), 150);
    EXPECT_EQ(sink.samples.size(), 11175u);
}

TEST(ToneGenerator, ConstantToneFillsExactlyItsDuration)
{
    VectorToneSink sink;
    ToneGenerator gen(sink);
    gen.appendTone(1750, 2.0);
    EXPECT_EQ(sink.samples.size(), 22050u);
    EXPECT_EQ(gen.pendingSamples(), 0);
    EXPECT_NEAR(measuredHz(sink.samples), 1750, 1.0);
    gen.appendTone(1000, 0.0); // nothing to play, and no endless loop
    EXPECT_EQ(gen.pendingSamples(), 0);
}

TEST(TonePlayer, ChunksQueueAndDrainAsTheyArePlayed)
{
    FakeOutput dev;
    RecordingEventLog log;
    TonePlayer player(dev, log);
    player.open();
    ToneGenerator gen(player);
    gen.appendTone(1750, 2.0);
    EXPECT_EQ(player.queuedMs(), 1992) << "2 x (5 x 185 + 71)";
    EXPECT_EQ(player.headerCount(), 12);
    EXPECT_EQ(player.state(), TonePlayer::Playing);
    EXPECT_EQ(dev.samples, 22050u);
    EXPECT_EQ(gen.freeRoomSamples(), std::llround((5000 - 1992) / 1000.0 * 11025));
    for (int h : std::vector<int>(dev.writes))
        player.played(h);
    EXPECT_EQ(player.queuedMs(), 0);
    EXPECT_EQ(player.state(), TonePlayer::Idle);
    // Freed headers are reused.
    gen.appendTone(1750, 1.0);
    EXPECT_EQ(player.headerCount(), 12);
    EXPECT_EQ(player.queuedMs(), 996);
    player.stop(true);
    EXPECT_EQ(player.state(), TonePlayer::Closed);
    EXPECT_EQ(dev.resets, 1);
    EXPECT_EQ(dev.closes, 1);
    EXPECT_TRUE(log.entries().empty());
}

TEST(TonePlayer, FailuresAreLoggedAndRaised)
{
    {
        FakeOutput dev;
        RecordingEventLog log;
        TonePlayer player(dev, log);
        std::vector<std::int16_t> block(100, 0);
        try {
            player.writeBlock(block, 10);
            FAIL() << "no exception";
        } catch (const ToneOutputError& e) {
            EXPECT_STREQ(e.what(), "Soundcard: no output device opened");
        }
        dev.openError = "Device busy";
        player.open();
        EXPECT_EQ(player.state(), TonePlayer::Closed);
        EXPECT_TRUE(log.contains("+++PlayerOpen; waveOutOpen: Device busy"));
    }
    {
        // Nothing is ever played: the 998 headers run out after about three minutes of audio.
        FakeOutput dev;
        RecordingEventLog log;
        TonePlayer player(dev, log);
        player.open();
        ToneGenerator gen(player);
        std::vector<std::uint8_t> second(7350, 164);
        int failures = 0;
        for (int i = 0; i < 200 && failures == 0; ++i) {
            try {
                gen.appendCodes(second);
            } catch (const ToneOutputError& e) {
                EXPECT_STREQ(e.what(), "Soundcard: No more Buffers!");
                ++failures;
            }
        }
        EXPECT_EQ(failures, 1);
        EXPECT_EQ(player.state(), TonePlayer::Closed);
        // The transmitter's code sink swallows the failure and counts it.
        gen.write(second);
        EXPECT_EQ(gen.outputErrors(), 1);
        EXPECT_EQ(gen.lastError(), "Soundcard: no output device opened");
    }
}

TEST(TonePlayer, StopWaitsForTheLastChunkUnlessAborting)
{
    FakeOutput dev;
    RecordingEventLog log;
    TonePlayer player(dev, log);
    player.open();
    std::vector<std::int16_t> block(11025, 0);
    player.writeBlock(block, 1000);
    EXPECT_TRUE(player.startPending());
    EXPECT_TRUE(dev.writes.empty()) << "nothing reaches the device before the start";
    player.startPlaying();
    EXPECT_EQ(dev.writes.size(), 6u);
    // Played from another thread while stop() waits.
    std::thread device([&] {
        for (int h : std::vector<int>(dev.writes))
            player.played(h);
    });
    player.stop(false, std::chrono::seconds(60));
    device.join();
    EXPECT_EQ(player.state(), TonePlayer::Closed);
    EXPECT_EQ(dev.closes, 1);
}

