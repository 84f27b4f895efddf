#include "signal/wave_source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>

using namespace tellur::signal;

namespace {

void put32(std::vector<std::uint8_t>& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put16(std::vector<std::uint8_t>& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A RIFF/WAVE image; dataBytes of payload (a ramp), fields overridable to damage the header.
std::vector<std::uint8_t> wav(std::uint32_t dataBytes, std::uint16_t channels = 1, std::uint32_t rate = 11025,
                              std::uint16_t bits = 16, std::uint32_t fmtSize = 16)
{
    std::vector<std::uint8_t> b;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put32(b, 4 + 8 + 16 + 8 + dataBytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(b, fmtSize);
    put16(b, 1);
    put16(b, channels);
    put32(b, rate);
    std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    put32(b, rate * align);
    put16(b, align);
    put16(b, bits);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, dataBytes);
    for (std::uint32_t i = 0; i < dataBytes; ++i)
        b.push_back(static_cast<std::uint8_t>(i * 7));
    return b;
}

std::vector<std::uint8_t> wavSine(double hz, std::uint32_t rate, int frames, std::uint16_t channels)
{
    auto b = wav(0, channels, rate);
    b.resize(b.size() - 4);
    put32(b, static_cast<std::uint32_t>(frames * channels * 2));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            put16(b, static_cast<std::uint16_t>(static_cast<std::int16_t>(
                         c == 0 ? std::lround(10000 * std::sin(2 * std::numbers::pi * hz * i / rate)) : 0)));
    std::uint32_t riff = static_cast<std::uint32_t>(b.size() - 8);
    std::memcpy(b.data() + 4, &riff, 4);
    return b;
}

} // namespace

TEST(WaveSource, StationFormatFileReadsInWholeBlocksAndAShortTail)
{
    std::string err;
    auto src = WaveSource::openMemory(wav(55124), err);
    ASSERT_TRUE(src) << err;
    EXPECT_TRUE(src->isStationFormat());
    EXPECT_EQ(src->format().frames, 27562);
    EXPECT_EQ(src->bytesLeft(), 55124);
    std::vector<std::int16_t> block(512);
    int full = 0;
    std::size_t lastBytes = 0;
    for (;;) {
        std::size_t n = src->read(block);
        if (n == 0)
            break;
        if (n == 512)
            ++full;
        else
            lastBytes = n * 2;
    }
    EXPECT_EQ(full, 53);
    EXPECT_EQ(lastBytes, 852u);
    EXPECT_EQ(src->bytesLeft(), 0);
}

TEST(WaveSource, OtherFormatsAreReadableButNotStationFormat)
{
    struct Row {
        const char* what;
        std::vector<std::uint8_t> image;
    };
    std::vector<Row> rows = {{"stereo", wav(4000, 2)}, {"8 bit", wav(4000, 1, 11025, 8)}, {"44.1 kHz", wav(4000, 1, 44100)}};
    for (auto& r : rows) {
        std::string err;
        auto src = WaveSource::openMemory(r.image, err);
        ASSERT_TRUE(src) << r.what << ": " << err;
        EXPECT_FALSE(src->isStationFormat()) << r.what;
    }
    EXPECT_STREQ(kWrongWaveFormatMessage, "Sorry, wrong wave file format. Must be 11025 Samples/s, 16 Bit, Mono.");
}

TEST(WaveSource, FirstChannelIsResampledToTheSoundcardRate)
{
    std::string err;
    auto src = WaveSource::openMemory(wavSine(1000, 48000, 48000, 2), err);
    ASSERT_TRUE(src) << err;
    std::vector<std::int16_t> all, block(700);
    while (std::size_t n = src->read(block))
        all.insert(all.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_NEAR(double(all.size()), 11025.0, 2.0);
    int crossings = 0;
    for (std::size_t i = 1000; i < 10000; ++i)
        crossings += all[i - 1] < 0 && all[i] >= 0;
    EXPECT_NEAR(crossings, 9000.0 / 11.025, 2.0) << "1000 Hz survives the conversion";
}

TEST(WaveSource, BadInputGivesAReasonAndNoCrash)
{
    auto truncated = wav(4000);
    truncated.resize(truncated.size() - 3001);
    auto oddLength = wav(4001);
    auto hugeHeader = wav(100, 1, 11025, 16, 0x7FFFFFF0u);
    auto zeroChannels = wav(100, 0);
    std::vector<std::uint8_t> nonRiff(200, 'x');
    auto headerOnly = wav(0);
    headerOnly.resize(20);
    struct Row {
        const char* what;
        std::vector<std::uint8_t> image;
        bool mayOpen; // readable with what is there
    };
    std::vector<Row> rows = {{"empty", {}, false},
                             {"non-RIFF", nonRiff, false},
                             {"header only", headerOnly, false},
                             {"huge fmt chunk", hugeHeader, false},
                             {"zero channels", zeroChannels, false},
                             {"truncated data", truncated, true},
                             {"odd data length", oddLength, true}};
    for (auto& r : rows) {
        std::string err;
        auto src = WaveSource::openMemory(r.image, err);
        if (!src) {
            EXPECT_FALSE(err.empty()) << r.what;
            EXPECT_FALSE(r.mayOpen) << r.what << ": " << err;
            continue;
        }
        EXPECT_TRUE(r.mayOpen) << r.what << " opened";
        std::vector<std::int16_t> block(512);
        std::size_t total = 0;
        while (std::size_t n = src->read(block))
            total += n;
        EXPECT_LE(total, 2001u) << r.what;
    }
    std::string err;
    EXPECT_FALSE(WaveSource::open("/nonexistent/x.wav", err));
    EXPECT_NE(err.find("x.wav"), std::string::npos);
}

// A rate far below any audio (1 S/s) would cost seconds and hundreds of megabytes to resample
// from a tiny file; rates outside 2000..384000 S/s are refused with their figure.
TEST(WaveSource, SampleRatesOutsideTheAudioRangeAreRefused)
{
    struct Row { std::uint32_t rate; bool opens; };
    for (auto r : {Row{1, false}, {1999, false}, {2000, true}, {384000, true}, {384001, false}, {1000000, false}}) {
        std::string err;
        const auto src = WaveSource::openMemory(wav(2000, 1, r.rate), err);
        EXPECT_EQ(src != nullptr, r.opens) << r.rate;
        if (!r.opens) {
            EXPECT_NE(err.find(std::to_string(r.rate)), std::string::npos) << err;
            EXPECT_EQ(err.find('\n'), std::string::npos) << err;
        }
    }
}

TEST(WaveSource, RealRecordingOpensAsStationFormat)
{
    std::filesystem::path p = std::filesystem::path(TELLUR_SHARED_DIR) / "testdata/real/fax/image.wav";
    if (!std::filesystem::exists(p))
        GTEST_SKIP() << "shared recording missing: " << p;
    std::string err;
    auto src = WaveSource::open(p, err);
    ASSERT_TRUE(src) << err;
    EXPECT_TRUE(src->isStationFormat());
    EXPECT_GT(src->format().frames, 10000);
}
