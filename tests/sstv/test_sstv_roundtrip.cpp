// Every transmission mode through the transmitter, a channel and the receiver: the mode must be
// recognised from line timing alone and the picture must come back close to the source.
#include "sstv_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace tellur;
using namespace tellur::sstv;
using namespace sstvtest;

namespace {

struct ChannelCase {
    const char* name;
    Channel channel;
    bool enhanced;
    double minDb;
};

// The specified receiver samples each pixel at its end and puts the syncs half an averaging
// window into the pulse, which costs it some picture quality; a clock error moves the long
// modes' syncs beyond its 10 ms window, so those channels need the enhanced receiver.
const ChannelCase kChannels[] = {
    {"clean", Channel{}, true, 25.0},
    {"noise", Channel{3.0, 0.0, 11}, true, 25.0},
    {"clock+50ppm", Channel{0.0, 50.0, 7}, true, 25.0},
    {"clock-50ppm", Channel{1.0, -50.0, 5}, true, 25.0},
    {"specified", Channel{}, false, 21.0},
    {"specified noise", Channel{3.0, 0.0, 11}, false, 21.0},
};

class SstvRoundTrip : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(SstvRoundTrip, ModeDetectedAndPictureRestored)
{
    const int row = GetParam();
    const auto& mode = kSstvModes[static_cast<std::size_t>(row)];
    const RgbPicture source = colouredScreen(mode.columns, mode.rows);
    const RgbPicture expected = mode.colourScheme == kSchemeMono ? greyOf(source) : source;
    const auto codes = transmission(row, source);
    std::string report;
    for (const auto& c : kChannels) {
        SCOPED_TRACE(c.name);
        SampleRing ring;
        LevelHistogram histogram;
        RecordingSink sink;
        SstvRxSettings settings;
        settings.enhanced = c.enhanced;
        SstvReceiver rx(settings, ring, histogram, &sink);
        sink.receiver = &rx;
        feed(rx, ring, passChannel(codes, c.channel));
        ASSERT_EQ(sink.started.size(), 1u);
        EXPECT_EQ(sink.started.front(), row);
        ASSERT_EQ(sink.ended.size(), 1u);
        EXPECT_TRUE(sink.ended.front().saved);
        EXPECT_EQ(sink.ended.front().rows, mode.rows);
        const double db = psnr(sink.ended.front().picture, expected);
        EXPECT_GE(db, row == kRobot36Row ? c.minDb - 4.0 : c.minDb); // as in the audio round trip
        char buf[64];
        std::snprintf(buf, sizeof buf, " %s %.1f dB", c.name, db);
        report += buf;
    }
    std::printf("[ psnr     ] %-10s%s\n", std::string(mode.name).c_str(), report.c_str());
}

INSTANTIATE_TEST_SUITE_P(AllModes, SstvRoundTrip, ::testing::Range(0, kTransmissionModeCount));
