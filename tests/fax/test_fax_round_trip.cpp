#include "fax_test_support.h"

#include "fax/fax_timing.h"

#include <gtest/gtest.h>

using namespace faxtest;

namespace {

struct Channel {
    double rateError = 0.0; // relative, applied by resampling the item stream
    double noiseSigma = 0.0;
};

std::vector<std::uint16_t> itemsThroughIdealChannel(const std::vector<std::uint8_t>& codes, const Channel& ch,
                                                     double silenceSeconds, double rate)
{
    std::vector<std::uint16_t> items(static_cast<std::size_t>(silenceSeconds * rate), 128);
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, ch.noiseSigma > 0 ? ch.noiseSigma : 1.0);
    const double step = 1.0 + ch.rateError;
    for (double t = 0; t < double(codes.size()); t += step) {
        double v = idealFmItem(codes[static_cast<std::size_t>(t)]);
        if (ch.noiseSigma > 0)
            v += noise(rng);
        items.push_back(static_cast<std::uint16_t>(std::clamp(std::lround(v), 0L, 255L)));
    }
    items.insert(items.end(), static_cast<std::size_t>(silenceSeconds * rate), 128);
    return items;
}

} // namespace

struct RoundTripCase {
    const char* name;
    int row;
    Channel channel;
};

class FaxIdealRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(FaxIdealRoundTrip, DecodesWhatWasSent)
{
    const auto& c = GetParam();
    const FaxModeRecord mode = kDefaultFaxModes[static_cast<std::size_t>(c.row)];
    const auto source = makeChart(mode.pixelsPerLine / 2, 40);
    FaxTransmitSettings ts;
    ts.mode = mode;
    ts.lpm = mode.lpm;
    ts.callSign = "DL0TST";
    FaxTransmitter tx(ts, source, nullptr);
    const auto expected = transmittedPicture(tx, source, mode.pixelsPerLine);
    const auto codes = tx.allCodes();
    const auto items = itemsThroughIdealChannel(codes, c.channel, 3.0, 7350.0);

    auto ring = std::make_unique<SampleRing>();
    LevelHistogram hist;
    RecordingHost host;
    NullEventLog log;
    FaxReceiver rx(*ring, hist, host, log);
    host.receiver = &rx;
    FaxReceiverSettings rs;
    rx.selectMode(mode, rs);
    feedAndTick(*ring, rx, items, 7350.0);

    EXPECT_TRUE(host.sawState(ReceptionState::Phasing));
    EXPECT_TRUE(host.sawState(ReceptionState::Running));
    EXPECT_EQ(rx.lpm(), mode.lpm);
    ASSERT_EQ(host.saves.size(), 1u) << "the stop tone ends the picture and starts the save";
    EXPECT_EQ(rx.state(), ReceptionState::Waiting);
    const int lines = host.saves[0].lines;
    EXPECT_GE(lines, 3 + 16 + tx.pictureLines() - 2);
    EXPECT_LE(lines, 3 + 16 + tx.pictureLines() + tx.startLines() + 4);
    ASSERT_TRUE(host.savedPicture);
    const Match m = bestMatch(*host.savedPicture, expected, tx.margin(), 14, 24, tx.margin() - 8, tx.margin() + 8);
    RecordProperty("ncc", std::to_string(m.ncc));
    std::printf("ncc %.4f rows +%d cols +%d lines %d\n", m.ncc, m.rowOffset, m.columnOffset, lines);
    EXPECT_GT(m.ncc, 0.95) << "rows +" << m.rowOffset << " columns +" << m.columnOffset;
}

INSTANTIATE_TEST_SUITE_P(Rows, FaxIdealRoundTrip,
                         ::testing::Values(RoundTripCase{"HfFax", 0, {}}, RoundTripCase{"Ham288b", 10, {}},
                                           RoundTripCase{"HfFaxNoisy", 0, {0.0, 20.0}}),
                         [](const auto& p) { return std::string(p.param.name); });
