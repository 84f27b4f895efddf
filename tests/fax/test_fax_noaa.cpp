// A synthesised polar-orbiter signal as the PLL demodulator hands it over: 14-bit envelope items at
// 9600 per second, a sync burst at the start of every line, 2080 pixels per line at 120 LPM,
// noise before and after. Squelch start, tone-burst phasing, squelch stop.
#include "fax_test_support.h"

#include <gtest/gtest.h>

using namespace faxtest;

namespace {

constexpr double kRate = 9600.0;
constexpr int kItemsPerLine = 4800;
constexpr int kPixels = 2080;

std::uint16_t level(double grey) // 0..1 -> 14-bit envelope above the black offset
{
    return static_cast<std::uint16_t>(960 + grey * (16383 - 960));
}

} // namespace

TEST(FaxNoaa, SquelchStartToneBurstPhasingAndSquelchStop)
{
    const int lines = 60;
    const auto chart = makeChart(kPixels, lines);
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> noise(0, 16383);
    std::vector<std::uint16_t> items;
    for (int i = 0; i < static_cast<int>(6 * kRate); ++i)
        items.push_back(static_cast<std::uint16_t>(noise(rng)));
    std::vector<std::vector<std::uint8_t>> sent;
    for (int l = 0; l < lines; ++l) {
        std::vector<std::uint8_t> pixels(kPixels);
        for (int j = 0; j < kItemsPerLine; ++j) {
            const int px = j * kPixels / kItemsPerLine;
            double g;
            if (j < 120) // ten periods of 832 Hz
                g = std::fmod(j * 832.0 / kRate, 1.0) < 0.5 ? 1.0 : 0.0;
            else
                g = chart.getPixel(px, l) / 255.0;
            pixels[std::size_t(px)] = static_cast<std::uint8_t>(g * 255);
            items.push_back(level(g * g)); // the log curve takes the square root again
        }
        sent.push_back(pixels);
    }
    for (int i = 0; i < static_cast<int>(40 * kRate); ++i)
        items.push_back(static_cast<std::uint16_t>(noise(rng)));

    auto ring = std::make_unique<SampleRing>();
    LevelHistogram hist;
    RecordingHost host;
    NullEventLog log;
    FaxReceiver rx(*ring, hist, host, log);
    host.receiver = &rx;
    FaxReceiverSettings s;
    s.fourteenBit = true;
    const FaxModeRecord mode = kDefaultFaxModes[2]; // "NOAA S-N"
    rx.selectMode(mode, s);
    EXPECT_DOUBLE_EQ(rx.sampleRate(), kRate);
    feedAndTick(*ring, rx, items, kRate);

    EXPECT_TRUE(host.sawState(ReceptionState::Phasing));
    EXPECT_TRUE(host.sawState(ReceptionState::Running));
    EXPECT_FALSE(host.sawState(ReceptionState::WaitPhaseEnd)) << "tone bursts go straight to running";
    ASSERT_EQ(host.saves.size(), 1u) << "noise after the pass stops the picture";
    EXPECT_EQ(rx.state(), ReceptionState::Waiting);
    ASSERT_TRUE(host.savedPicture);

    // Bring the south-to-north picture (right to left, bottom to top) into transmission order.
    const auto& pic = *host.savedPicture;
    storage::TDI8Bitmap upright(pic.width(), pic.fullHeight());
    for (int y = 0; y < pic.fullHeight(); ++y)
        for (int x = 0; x < pic.width(); ++x)
            upright.setPixel(pic.width() - 1 - x, pic.fullHeight() - 1 - y, pic.getPixel(x, y));
    // The picture starts at the third burst found after the squelch opened, some seconds in.
    const Match m = bestMatch(upright, sent, 60, -40, 0, -60, 0);
    std::printf("noaa ncc %.4f rows +%d cols %d lines %d\n", m.ncc, m.rowOffset, m.columnOffset, host.saves[0].lines);
    EXPECT_GT(m.ncc, 0.9);
}
