#include "sstv_test_util.h"

#include <gtest/gtest.h>

using namespace tellur;
using namespace tellur::sstv;
using namespace sstvtest;

namespace {

constexpr std::uint16_t kSync = 36;    // 1200 Hz
constexpr std::uint16_t kLeader = 164; // 1900 Hz
constexpr std::uint16_t kBlack = 91;   // 1500 Hz
constexpr std::uint16_t kWhite = 237;  // 2300 Hz

struct Signal {
    std::vector<std::uint16_t> items;
    Signal& tone(std::uint16_t v, double ms)
    {
        items.insert(items.end(), static_cast<std::size_t>(std::lround(ms * 7.35)), v);
        return *this;
    }
};

// Sync pulses of one length on a 1900 Hz background, one every periodMs.
Signal pulses(int count, double periodMs, double syncMs, double leadMs = 500)
{
    Signal s;
    s.tone(kLeader, leadMs);
    const double start = double(s.items.size());
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(std::lround(start + i * periodMs * 7.35));
        s.items.resize(at, kLeader);
        s.tone(kSync, syncMs);
    }
    s.tone(kLeader, 100);
    return s;
}

struct Rig {
    SampleRing ring;
    LevelHistogram histogram;
    RecordingSink sink;
    SstvRxSettings settings;
    std::unique_ptr<SstvReceiver> rx;
    explicit Rig(SstvRxSettings s = {}) : settings(s)
    {
        rx = std::make_unique<SstvReceiver>(settings, ring, histogram, &sink, [] { return CivilTime{2004, 3, 5, 7, 9, 0}; });
        sink.receiver = rx.get();
    }
    void feed(const std::vector<std::uint16_t>& items) { sstvtest::feed(*rx, ring, items); }
};

} // namespace

TEST(SstvReceiverTables, LevelsBrightnessAndConstants)
{
    Rig rig;
    const auto& rx = *rig.rx;
    EXPECT_EQ(rx.lowSyncLevel(), 9);
    EXPECT_EQ(rx.highSyncLevel(), 82);
    EXPECT_EQ(rx.brightnessTable()[kBlack], 0);
    EXPECT_EQ(rx.brightnessTable()[kWhite], 255);
    EXPECT_EQ(rx.brightnessTable()[0], 0);
    EXPECT_EQ(rx.brightnessTable()[255], 255);
    EXPECT_EQ(rx.brightnessTable()[164], 128);
    const auto& c = rx.constants();
    EXPECT_EQ(c.ms5, 37);
    EXPECT_EQ(c.ms2, 15);
    EXPECT_EQ(c.ms50, 368);
    EXPECT_EQ(c.ms30, 220);
    EXPECT_EQ(c.ms3_75, 28);
    EXPECT_EQ(c.ms1_25, 9);
    EXPECT_EQ(c.window, 18);
    EXPECT_FLOAT_EQ(c.itemsPerMs, 7.35f);

    SstvRxSettings ptc;
    ptc.interfaceType = 1;
    ptc.dataRate = 5760;
    Rig p(ptc);
    EXPECT_EQ(p.rx->level(1100), 0);
    EXPECT_EQ(p.rx->level(1450), 56);
    EXPECT_EQ(p.rx->constants().window, 14);
}

TEST(SstvReceiverSyncs, PulseLengthsAndSurroundings)
{
    struct Case {
        const char* what;
        Signal signal;
        std::size_t syncs;
    };
    const Case cases[] = {
        {"steady 1900 Hz", Signal().tone(kLeader, 5000), 0},
        {"1.5 ms burst", Signal().tone(kLeader, 100).tone(kSync, 1.5).tone(kLeader, 100), 0},
        {"3 ms burst", Signal().tone(kLeader, 100).tone(kSync, 3).tone(kLeader, 100), 1},
        {"45 ms burst", Signal().tone(kLeader, 100).tone(kSync, 45).tone(kLeader, 100), 1},
        {"55 ms burst", Signal().tone(kLeader, 100).tone(kSync, 55).tone(kLeader, 100), 0},
        {"not preceded by 30 ms", Signal().tone(kLeader, 20).tone(kSync, 10).tone(kLeader, 100), 0},
        {"not followed by 30 ms", Signal().tone(kLeader, 100).tone(kSync, 10).tone(kLeader, 20).tone(kSync, 100), 0},
        {"1100 Hz identification bits", Signal().tone(kLeader, 300).tone(18, 300).tone(kLeader, 100), 0},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.feed(c.signal.items);
        EXPECT_EQ(rig.rx->syncs().size(), c.syncs) << c.what;
    }

    // The accepted position is the read index where the running sum entered the sync band, less
    // half the averaging window; the length is the pulse's own.
    Rig rig;
    Signal s;
    s.tone(kLeader, 100).tone(kSync, 5).tone(kLeader, 100);
    rig.feed(s.items);
    ASSERT_EQ(rig.rx->syncs().size(), 1u);
    EXPECT_EQ(rig.rx->syncs()[0].position, 735 + 11 - 18 / 2);
    EXPECT_EQ(rig.rx->syncs()[0].length, 37);
}

TEST(SstvReceiverDetection, FourthConsistentMartin1SyncStartsThePicture)
{
    const double period = 446.446;
    Rig three;
    three.feed(pulses(3, period, 4.862).items);
    EXPECT_EQ(three.rx->detectedMode(), kNoSignal);
    EXPECT_TRUE(three.sink.started.empty());

    Rig four;
    four.feed(pulses(4, period, 4.862).items);
    ASSERT_EQ(four.sink.started.size(), 1u);
    EXPECT_EQ(four.sink.started[0], kMartin1Row);
    EXPECT_TRUE(four.rx->receiving());
    // The first line decoded ends at the oldest consistent sync, whose position is the band entry
    // (11 items into the pulse) less half the averaging window; the phase refinement may round it.
    EXPECT_NEAR(four.rx->firstSync(), 500 * 7.35 + 11 - 18 / 2, 1);
}

TEST(SstvReceiverDetection, RowsOfEqualLineTime)
{
    struct Case {
        const char* what;
        double period, syncMs;
        int count;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"BW12: 6 ms syncs", 100, 6, 8, kRobotBw12Row},
        {"BW24: 9 ms syncs", 100, 9, 8, kRobotBw24Row},
        {"5 syncs of 100 ms are not enough", 100, 9, 5, kNoSignal},
        {"6 ms off Martin 1", 446.446 + 6, 4.862, 6, kUnknownMode},
        {"Martin 2", 226.798, 4.862, 6, 2},
        {"PD 90", 703.04, 20, 6, 16},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.feed(pulses(c.count, c.period, c.syncMs).items);
        if (c.expected == kUnknownMode || c.expected == kNoSignal) {
            EXPECT_EQ(rig.rx->detectedMode(), c.expected) << c.what;
            EXPECT_TRUE(rig.sink.started.empty()) << c.what;
            EXPECT_EQ(rig.sink.modes.back(), c.expected) << c.what;
        } else {
            ASSERT_FALSE(rig.sink.started.empty()) << c.what;
            EXPECT_EQ(rig.sink.started[0], c.expected) << c.what;
        }
    }
    EXPECT_EQ(modeDisplayText(kUnknownMode), " unknown mode");
}

TEST(SstvReceiverDetection, Robot36AndBw36BySeparators)
{
    // 150 ms lines: 9 ms sync, black porch, then a separator after 100 ms that either
    // alternates (Robot 36) or carries picture grey (BW36).
    auto lines = [](bool alternate) {
        Signal s;
        s.tone(kLeader, 500).tone(18, 270); // identification bits swallow the first sync
        for (int i = 0; i < 12; ++i) {
            s.tone(kSync, 9).tone(kBlack, 3).tone(140, 88);
            const std::uint16_t sep = alternate ? (i % 2 ? kBlack : kWhite) : 140;
            s.tone(sep, 4.5).tone(kLeader, 1.5).tone(150, 44);
        }
        s.tone(kLeader, 300);
        return s.items;
    };
    Rig robot;
    robot.feed(lines(true));
    ASSERT_FALSE(robot.sink.started.empty());
    EXPECT_EQ(robot.sink.started[0], kRobot36Row);

    Rig bw;
    bw.feed(lines(false));
    ASSERT_FALSE(bw.sink.started.empty());
    EXPECT_EQ(bw.sink.started[0], kRobotBw36Row);
}

TEST(SstvReceiverPicture, SignalLostInMidPicture)
{
    const auto& mode = kSstvModes[kMartin1Row];
    const RgbPicture source = colouredScreen(mode.columns, mode.rows);
    auto codes = transmission(kMartin1Row, source);
    const std::size_t lineCodes = 3281;
    const std::size_t headerCodes = 7350 + 8820 + 9 * 220 + 185;
    codes.resize(headerCodes + 100 * lineCodes); // the first 100 lines only
    codes.insert(codes.end(), 160 * lineCodes, 0);
    const auto items = passChannel(codes, Channel{});

    Rig rig;
    rig.feed(items);
    ASSERT_EQ(rig.sink.ended.size(), 1u);
    const auto& end = rig.sink.ended[0];
    EXPECT_EQ(end.rows, 100 + 14); // 15 lines without sync; the first of them was complete
    EXPECT_FALSE(end.saved);       // below the save percentage of 50
    for (int y = 100; y < 114; ++y)
        EXPECT_EQ(end.picture.getPixel(170, y), 0u) << y;
    EXPECT_NE(end.picture.getPixel(170, 98), 0u);

    SstvRxSettings qrm;
    qrm.qrmMode = true;
    Rig q(qrm);
    q.feed(items);
    ASSERT_EQ(q.sink.ended.size(), 1u);
    EXPECT_EQ(q.sink.ended[0].rows, 256);
    EXPECT_TRUE(q.sink.ended[0].saved);
}

TEST(SstvReceiverPicture, BlockSplitDoesNotChangeThePicture)
{
    const auto& mode = kSstvModes[kRobotBw12Row];
    const auto items = passChannel(transmission(kRobotBw12Row, colouredScreen(mode.columns, mode.rows)), Channel{});
    Rig whole, small;
    whole.feed(items);
    for (std::size_t i = 0; i < items.size(); i += 7) {
        small.ring.append(std::span<const std::uint16_t>(items.data() + i, std::min<std::size_t>(7, items.size() - i)));
        small.rx->tick();
    }
    ASSERT_EQ(whole.sink.ended.size(), 1u);
    ASSERT_EQ(small.sink.ended.size(), 1u);
    EXPECT_EQ(psnr(whole.sink.ended[0].picture, small.sink.ended[0].picture), 99.0);
}

TEST(SstvReceiverPicture, RingOverrunDropsOldSyncs)
{
    Rig rig;
    auto s = pulses(2, 300, 5);
    s.tone(kLeader, 27000); // more than a ring of 196608 items
    rig.feed(s.items);
    EXPECT_TRUE(rig.rx->syncs().empty());
}

TEST(SstvReceiverControls, ForceStartShiftAndStop)
{
    SstvRxSettings qrm;
    qrm.qrmMode = true;
    Rig rig(qrm);
    rig.feed(Signal().tone(kLeader, 2000).items);
    rig.rx->forceStart(kRobotBw12Row);
    EXPECT_TRUE(rig.rx->receiving());
    EXPECT_EQ(rig.rx->decodeMode(), kRobotBw12Row);
    EXPECT_EQ(rig.rx->picture().width(), 340);
    const float start = rig.rx->lineStartPosition();
    rig.feed(Signal().tone(kWhite, 1000).items);
    EXPECT_GT(rig.rx->linesDecoded(), 0);
    const int decoded = rig.rx->linesDecoded();
    rig.rx->shift(+1, kRobotBw12Row);
    EXPECT_EQ(rig.rx->linesDecoded(), decoded); // decoded again up to where it stood
    EXPECT_NEAR(rig.rx->lineStartPosition(), start + decoded / 2 * 735.0 + 735.0 / 30, 2.0);
    rig.rx->stopPicture();
    rig.feed(Signal().tone(kWhite, 200).items);
    EXPECT_FALSE(rig.rx->receiving());
    ASSERT_EQ(rig.sink.ended.size(), 1u);

    Rig plain;
    plain.rx->forceStart(kMartin1Row); // only in QRM mode
    EXPECT_FALSE(plain.rx->receiving());
}

TEST(SstvReceiverControls, SlantValue)
{
    Rig rig;
    const auto& s = rig.rx->scaledTimings()[kMartin1Row];
    const double perRow = double(s[kPixelTime]) / double(s[kLineTime]);
    EXPECT_DOUBLE_EQ(rig.rx->slantValue(10, 0, 20, 100), 10 * perRow / 100);
    EXPECT_DOUBLE_EQ(rig.rx->slantValue(20, 100, 10, 0), 10 * perRow / 100); // upper point first
    EXPECT_DOUBLE_EQ(rig.rx->slantValue(5, 7, 50, 7), 0.0);
}

TEST(SstvReceiverNaming, TimeStampAndLastReceivedName)
{
    const CivilTime t{2004, 3, 5, 7, 9, 0};
    EXPECT_EQ(lastReceivedFileName(t, "Martin 1", 0), "20040305 0709 Martin 1.PNG");
    EXPECT_EQ(lastReceivedFileName(t, "PD 120", 1), "20040305 0709 PD 120.JPG");
    EXPECT_EQ(lastReceivedFileName(t, "P3", 4), "20040305 0709 P3.TIF");
    EXPECT_EQ(receivedTimeStampText(t, "dd.mm.yyyy", "hh:nn", false, "Martin 1"), "05.03.2004 07:09 UTC|Martin 1");
    EXPECT_EQ(receivedTimeStampText(t, "", "", true, "Robot 36"), "20040305 0709 loc.|Robot 36");
}
