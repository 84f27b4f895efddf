#include "fax/grey_tables.h"
#include "fax/tone_filter.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tellur::fax;

TEST(TFilter, ConstructionPrecountsQuadrantBins)
{
    struct Case { int f, len, rate, window; std::int64_t period, step; int count; };
    for (auto c : {Case{300, 16, 7350, 392, 245000, 1633, 16}, Case{0, 0, 0, 154, 96000, 4167, 16},
                   Case{2400, 16, 9600, 64, 40000, 10000, 16}}) {
        TFilter f(c.f, c.len, c.rate);
        EXPECT_EQ(f.window(), c.window) << c.f;
        EXPECT_EQ(f.periodE4(), c.period) << c.f;
        EXPECT_EQ(f.stepE4(), c.step) << c.f;
        for (int q = 0; q < 4; ++q)
            EXPECT_EQ(f.counts()[static_cast<std::size_t>(q)], c.count) << c.f << " q" << q;
    }
}

TEST(TFilter, EnergyOfQuarterRateSquareWaveIsPhaseIndependent)
{
    for (int phase = 0; phase < 4; ++phase) {
        TFilter f(2400, 16, 9600);
        const std::uint8_t pattern[4] = {255, 255, 0, 0};
        for (int i = 0; i < 64 * 3; ++i)
            f.feed(pattern[(i + phase) % 4]);
        EXPECT_EQ(f.energy(), 130050) << phase;
        EXPECT_EQ(f.readPeak(), 130050);
        EXPECT_EQ(f.readPeak(), 0) << "peak read clears";
    }
    TFilter flat(300, 16, 7350);
    for (int i = 0; i < 2000; ++i)
        flat.feed(200);
    EXPECT_EQ(flat.energy(), 0);
}

TEST(TFilter, SeparatesStartAndStopTones)
{
    // A 300 Hz alternation at 7350 items/s, as the FM demodulator delivers the start signal.
    auto run = [](int toneHz, int detectorHz) {
        TFilter f(detectorHz, 16, 7350);
        for (int i = 0; i < 7350; ++i)
            f.feed(std::fmod(double(i) * toneHz / 7350.0, 1.0) < 0.5 ? 230 : 25);
        return f.readPeak();
    };
    EXPECT_GT(run(300, 300), 15000);
    EXPECT_LT(run(450, 300), 15000);
    EXPECT_GT(run(450, 450), 15000);
    EXPECT_LT(run(300, 450), 15000);
}

TEST(GreyTables, LevelsCurvesAndQuantisation)
{
    GreyTables t;
    t.setLevels(10, 20, {.demodulator = 0, .fourteenBit = false, .blackOffset = 0, .bitDepth = 8});
    EXPECT_EQ(t.black(), 64) << "FM ignores the passed levels";
    EXPECT_EQ(t.white(), 191);
    EXPECT_EQ(t.grey(0), 0);
    EXPECT_EQ(t.grey(64), 0);
    EXPECT_EQ(t.grey(128), 129);
    EXPECT_EQ(t.grey(191), 255);
    EXPECT_EQ(t.grey(250), 255);

    // 14-bit AM: defaults from the black offset; the log curve lifts the darks.
    t.setLevels(0, 0, {.demodulator = 2, .fourteenBit = true, .blackOffset = 15, .bitDepth = 6});
    EXPECT_EQ(t.black(), 960);
    EXPECT_EQ(t.white(), 16383);
    EXPECT_EQ(t.black8(), 15);
    EXPECT_EQ(t.white8(), 255);
    EXPECT_EQ(t.grey(960), 0);
    EXPECT_EQ(t.grey(16383), 255);
    // d = Round(7711.5 * 16383 / 15423) = 8191 (half), sqrt -> 11584 >> 6 = 181
    EXPECT_EQ(t.grey(8672), 181);
    EXPECT_EQ(t.grey(0xFFFF), t.grey(16383)) << "items beyond 14 bits stay inside the table";

    // 8-bit AM with explicit levels; equal levels do not divide by zero.
    t.setLevels(100, 100, {.demodulator = 1, .fourteenBit = false, .blackOffset = 0, .bitDepth = 8});
    EXPECT_EQ(t.grey(99), 0);
    EXPECT_EQ(t.grey(101), 255);

    struct Q { int g, bits, want; };
    for (auto q : {Q{0xC5, 2, 255}, Q{0x85, 2, 170}, Q{0x40, 2, 85}, Q{0x3F, 2, 0}, Q{0x80, 1, 255},
                   Q{0x7F, 1, 0}, Q{0xA4, 6, 0xA6}, Q{0x12, 8, 0x12}})
        EXPECT_EQ(quantiseGrey(static_cast<std::uint8_t>(q.g), q.bits), q.want) << q.g << "/" << q.bits;
}

TEST(GreyTables, TransmitTable)
{
    GreyTables t;
    t.fillTransmitTable(false);
    EXPECT_EQ(t.transmitCode(0), 91);
    EXPECT_EQ(t.transmitCode(255), 237);
    t.fillTransmitTable(true);
    EXPECT_EQ(t.transmitCode(0), 1);
    EXPECT_EQ(t.transmitCode(255), 240);
    EXPECT_EQ(t.transmitCode(128), 121); // 1902 Hz
}
