#include "fax/fax_assembly.h"
#include "fax/fax_header.h"
#include "fax/fax_receiver.h"
#include "fax/fax_timing.h"
#include "fax/fax_transmitter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

using namespace tellur;
using namespace tellur::fax;

TEST(FaxTiming, IndexOfCooperationAndAutomaticLpm)
{
    EXPECT_EQ(indexOfCooperation(1810, false), 576);
    EXPECT_EQ(indexOfCooperation(1810, true), 288);
    EXPECT_EQ(indexOfCooperation(840, false), 267);
    struct Lpm { int spacing; int lpm; bool accepted; };
    for (auto c : {Lpm{3675, 120, true}, Lpm{3700, 120, true}, Lpm{4000, 110, false}, Lpm{7350, 60, true},
                   Lpm{1837, 240, true}})
    {
        EXPECT_EQ(automaticLpm(7350.0, c.spacing), c.lpm) << c.spacing;
        EXPECT_EQ(isAcceptedLpm(automaticLpm(7350.0, c.spacing)), c.accepted) << c.spacing;
    }
    EXPECT_EQ(phasingDist(3680, 3675), 5);
    EXPECT_EQ(phasingDist(7340, 3675), 10);
    EXPECT_EQ(phasingRatio(7340, 3675), 2);
    EXPECT_EQ(phasingRatio(10, 3675), 1);
    EXPECT_DOUBLE_EQ(ringSampleRate(7350, true, 4), 9600.0);
    EXPECT_DOUBLE_EQ(ringSampleRate(5760, false, 4), 5760.0);
}

TEST(FaxAssembly, RenderLinePixelPicks)
{
    auto ring = std::make_unique<SampleRing>();
    std::array<std::uint8_t, 16384> identity{};
    for (int i = 0; i < 16384; ++i)
        identity[std::size_t(i)] = static_cast<std::uint8_t>(i);
    for (int i = 0; i < 20; ++i)
        ring->append(static_cast<std::uint16_t>(i));
    std::vector<std::uint8_t> out(8);
    struct Case { double p; int first; int show; bool rtl; std::vector<int> want; };
    const Case cases[] = {
        {3675.0 / 1810.0, 0, 2, false, {2, 4}},  // HF-Fax: the count first reaches 2.03 at the third item
        {0.5, 0, 4, false, {0, 0, 1, 1}},
        {1.0, 0, 4, true, {3, 2, 1, 0}},
        {1.0, 2, 3, false, {2, 3, 4}},
        {2.5, 0, 3, false, {2, 4, 7}},
    };
    for (const auto& c : cases) {
        renderLineItems(*ring, identity.data(), 0.0, {c.p, c.first, c.show, c.rtl}, out);
        for (std::size_t k = 0; k < c.want.size(); ++k)
            EXPECT_EQ(out[k], c.want[k]) << "P=" << c.p << " pixel " << k;
    }
    // A line that starts near the end of the ring wraps to its beginning.
    ring->setWriteIndex(kRingSize - 2);
    ring->append(std::vector<std::uint16_t>{100, 101, 102, 103});
    renderLineItems(*ring, identity.data(), kRingSize - 2, {1.0, 0, 4, false}, out);
    EXPECT_EQ(out[2], 102);
    EXPECT_EQ(pictureRow(0, 4200, true), 4199);
    EXPECT_EQ(pictureRow(10, 4200, false), 10);
}

TEST(FaxAssembly, ZoomBandsShiftAndSlant)
{
    EXPECT_EQ(zoomFactor(2, 1810, 1280), 0.2857143f);
    EXPECT_EQ(zoomFactor(3, 1810, 1280), 1.0f / 3.0f);
    EXPECT_EQ(zoomFactor(99, 1810, 1280), 1.0f) << "out of range is 1 : 1";
    EXPECT_FLOAT_EQ(zoomFactor(0, 1810, 1838), 1.0f);

    auto b = bandForRow(10, 2.0f, false, 1810, 10, 0, 400);
    EXPECT_TRUE(b.draw);
    EXPECT_EQ(b.band.right, 905);
    EXPECT_FALSE(bandForRow(11, 2.0f, false, 1810, 11, 0, 400).draw) << "every second line at 1 : 2";
    b = bandForRow(10, 0.25f, false, 1810, 11, 0, 400);
    EXPECT_TRUE(b.draw);
    EXPECT_EQ(b.band.top, 39);
    EXPECT_EQ(b.band.bottom - b.band.top, 4) << "4 : 1 draws every line four rows high";
    b = bandForRow(500, 1.0f, false, 1810, 500, 0, 400);
    EXPECT_TRUE(b.scroll);
    EXPECT_EQ(b.scrollTarget, 500 - 1 + 1 - 400 + 16);
    EXPECT_EQ(startEdgeScroll(true), 32000);

    const double p = 3675.0 / 1810.0;
    EXPECT_NEAR(shiftedLineStart(50000.0, 100, 1810, p, false), 50000.0 - 1710 * p, 1e-9);
    EXPECT_TRUE(shiftStillPossible(157286.0, 0));
    EXPECT_FALSE(shiftStillPossible(157287.0, 0));

    const float s = slantValue({100, 10}, {110, 1010}, 2.0304, 3675.0, false, false);
    EXPECT_NEAR(s, 5.5249e-6, 1e-9);
    EXPECT_EQ(slantValue({110, 1010}, {100, 10}, 2.0304, 3675.0, false, false), s) << "points in any order";
    EXPECT_EQ(slantValue({100, 10}, {110, 1010}, 2.0304, 3675.0, true, false), -s);
    EXPECT_EQ(slantValue({1, 5}, {9, 5}, 2.0, 3675.0, false, false), 0.0f);
    EXPECT_EQ(formatRate(correctedDataRate(0.0f, 7350.0) * 1.5), "11025");
}

TEST(FaxTransmitterCounts, HfFaxOnTheSoundcard)
{
    storage::TDI8Bitmap picture(1810, 1000);
    FaxTransmitSettings s;
    s.mode = kDefaultFaxModes[0];
    s.lpm = 120;
    FaxTransmitter tx(s, picture, nullptr);
    EXPECT_DOUBLE_EQ(tx.samplesPerLine(), 3675.0);
    EXPECT_NEAR(tx.samplesPerPixel(), 2.0304, 1e-4);
    EXPECT_EQ(tx.margin(), 90);
    EXPECT_EQ(tx.startLines(), 8);
    EXPECT_EQ(tx.phasingLines(), 20);
    EXPECT_EQ(tx.pictureLines(), 950);
    EXPECT_EQ(tx.verticalStepE4(), 10523);
    EXPECT_EQ(tx.halfPeriodE4(300), 60333);
    EXPECT_EQ(tx.status(), "Transmitting start tone");
    // Phasing: black with a white pulse in the margin; phase end the inverse.
    EXPECT_EQ(tx.phasingLine()[0], 237);
    EXPECT_EQ(tx.phasingLine()[89], 237);
    EXPECT_EQ(tx.phasingLine()[90], 91);
    EXPECT_EQ(tx.phaseEndLine()[0], 91);
    EXPECT_EQ(tx.phaseEndLine()[90], 237);
    // The start tone flips every 6.03 pixels, black first.
    const auto& st = tx.startToneLine();
    EXPECT_EQ(st.size(), 1811u);
    EXPECT_EQ(st[0], 91);
    EXPECT_EQ(st[6], 91);
    EXPECT_EQ(st[7], 237);

    // Every line lasts 3675 codes; the stream ends after the stop tone.
    const auto codes = tx.allCodes();
    const int lines = 8 + 20 + 3 + 16 + 950 + 8;
    EXPECT_EQ(codes.size(), std::size_t(lines) * 3675);
    EXPECT_TRUE(tx.done());

    s.ptc = true;
    FaxTransmitter ptc(s, picture, nullptr);
    EXPECT_DOUBLE_EQ(ptc.rate(), 3675.0);
    EXPECT_EQ(ptc.phasingLine()[0], 240);
    EXPECT_EQ(ptc.phasingLine()[100], 1);
    EXPECT_FALSE(callSignUsable(" DL "));
    EXPECT_TRUE(callSignUsable("DL0ABC"));
}

TEST(FaxTransmitterCounts, AbortJumpsToTheStopTone)
{
    storage::TDI8Bitmap picture(905, 400);
    FaxTransmitSettings s;
    s.mode = kDefaultFaxModes[10];
    s.lpm = 240;
    FaxTransmitter tx(s, picture, nullptr);
    std::vector<std::uint8_t> line;
    EXPECT_EQ(tx.startLines(), 16);
    EXPECT_EQ(tx.phasingLines(), 40);
    for (int i = 0; i < 16 + 40 + 3 + 2; ++i)
        ASSERT_TRUE(tx.nextLine(line));
    EXPECT_EQ(tx.phase(), 3);
    tx.abort();
    int stopLines = 0;
    while (tx.nextLine(line)) {
        EXPECT_EQ(line, tx.stopToneLine());
        ++stopLines;
    }
    EXPECT_EQ(stopLines, tx.startLines());
    EXPECT_EQ(tx.status(), "Transmitting stop signal");
}

TEST(FaxHeaders, ScheduleIdentificationAndClock)
{
    const auto dir = std::filesystem::temp_directory_path() / ("tellur_fax_sched_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "Automatic") << "1130C02 IR  COLOUR  \r\n1200D2  VIS        \r\n";
    const double at = stationTimeOf(2024, 1, 15, 12, 0, 40);
    const std::string h = readScheduleIdentification(dir, "Automatic", at);
    EXPECT_EQ(h, "Automatic: 20240115 1200 D2   VIS        ");
    const auto f = splitScheduleIdentification(h);
    EXPECT_EQ(f.name, "Automatic");
    EXPECT_EQ(f.date, "240115");
    EXPECT_EQ(f.time, "1200");
    EXPECT_EQ(f.formatCode, "D2  ");
    EXPECT_EQ(f.paletteCode, "VIS");
    EXPECT_EQ(readScheduleIdentification(dir, "Automatic", stationTimeOf(2024, 1, 15, 12, 1, 0)), "");
    EXPECT_EQ(readScheduleIdentification(dir, "Missing", at), "");
    std::filesystem::remove_all(dir);

    const double set = synchronisedClock(stationTimeOf(2024, 1, 15, 12, 3, 10), 20);
    const auto secs = std::llround((set - std::floor(set)) * 86400.0);
    EXPECT_EQ((secs - 20) % 120, 0);
    EXPECT_EQ(secs, 12 * 3600 + 2 * 60 + 20);

    const auto d = splitDigitalHeader("METEOSAT" "D2 " "240116" "0600" "C03 " "REST OF HEADER");
    EXPECT_EQ(d.name, "METEOSAT");
    EXPECT_EQ(d.paletteCode, "D2");
    EXPECT_EQ(d.date, "240116");
    EXPECT_EQ(d.time, "0600");
    EXPECT_EQ(d.formatCode, "C03 ");
    EXPECT_EQ(d.rest, "REST OF HEADER");
}
