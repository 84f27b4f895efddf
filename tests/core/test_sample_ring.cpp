#include "core/numeric.h"
#include "core/sample_ring.h"

#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <thread>

using namespace tellur;

TEST(Numeric, RoundHalfEvenAndRingIndex)
{
    struct Case { double v; std::int64_t want; };
    for (auto c : {Case{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {3675.0, 3675}, {2.4999, 2}})
        EXPECT_EQ(roundHalfEven(c.v), c.want) << c.v;
    EXPECT_EQ(ringIndex(196608), 0);
    EXPECT_EQ(ringIndex(-1), 196607);
    EXPECT_EQ(ringIndex(196607 + 2), 1);
}

TEST(SampleRing, WriteIndexWrapsToZero)
{
    auto ring = std::make_unique<SampleRing>();
    ring->setWriteIndex(196607);
    ring->append(7);
    EXPECT_EQ(ring->writeSnapshot(), 0);
    EXPECT_EQ(ring->at(196607), 7);
}

TEST(SampleRing, ResetFillsHistogramWindowWithZeros)
{
    auto ring = std::make_unique<SampleRing>();
    LevelHistogram h;
    ring->append(200);
    ring->reset(7350.0, h);
    EXPECT_EQ(h.windowLength, 3675);
    EXPECT_EQ(h.windowStart, 192933);
    EXPECT_EQ(h.counts[0], 3675);
    EXPECT_EQ(ring->writeSnapshot(), 0);
    EXPECT_EQ(ring->at(0), 0);

    // Counting keeps the sum at W whatever the items are.
    for (std::uint16_t v : {10, 255, 128, 3}) {
        ring->append(v);
        ring->countLevel(h, ring->at(ring->readIndex()), false);
        ring->setReadIndex(ring->readIndex() + 1);
    }
    EXPECT_EQ(std::accumulate(h.counts.begin(), h.counts.end(), 0), 3675);
    EXPECT_EQ(h.counts[254], 1); // 255 lands in the even bin
    EXPECT_EQ(h.counts[2], 1);   // so does 3
}

TEST(SampleRing, HistogramBins)
{
    EXPECT_EQ(LevelHistogram::bin(16300, true), 254);
    EXPECT_EQ(LevelHistogram::bin(255, false), 254);
    EXPECT_EQ(LevelHistogram::bin(128, false), 128);
}

TEST(SampleRing, ReaderSeesEveryItemOfAConcurrentWriter)
{
    auto ring = std::make_unique<SampleRing>();
    constexpr int kItems = 500000; // more than two laps of the ring
    std::thread writer([&] {
        for (int i = 0; i < kItems; ++i) {
            while (ring->available() > kRingSize - 1000)
                std::this_thread::yield();
            ring->append(static_cast<std::uint16_t>(i & 0xFFFF));
        }
    });
    int expected = 0;
    while (expected < kItems) {
        std::int32_t snap = ring->writeSnapshot();
        while (ring->readIndex() != snap) {
            ASSERT_EQ(ring->at(ring->readIndex()), expected & 0xFFFF);
            ring->setReadIndex(ring->readIndex() + 1);
            ++expected;
        }
    }
    writer.join();
}
