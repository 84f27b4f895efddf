// Every transmission mode as audio: the transmitter's codes through the soundcard tone generator,
// a channel (white noise, sample-clock error), the SSTV demodulator and the receiver, in-process
// exactly as `encode sstv` and `decode sstv` chain them. The CLI itself is checked once.
#include "sstv_test_util.h"

#include "signal/demodulators.h"
#include "signal/tone_generator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace tellur;
using namespace tellur::sstv;
using namespace sstvtest;

namespace {

std::vector<std::int16_t> toAudio(const std::vector<std::uint8_t>& codes)
{
    signal::VectorToneSink sink;
    signal::ToneGenerator gen(sink);
    gen.start();
    gen.appendCodes(codes);
    gen.flush();
    return sink.samples;
}

struct AudioChannel {
    const char* name;
    double snrDb;   // white noise over the whole band; 99 = none
    double clockPpm;
    bool enhanced;
    double minDb;
};

std::vector<std::int16_t> passAudio(const std::vector<std::int16_t>& in, const AudioChannel& ch, unsigned seed)
{
    double power = 0;
    for (auto s : in)
        power += double(s) * s;
    power /= double(std::max<std::size_t>(in.size(), 1));
    const double sigma = ch.snrDb >= 99 ? 0.0 : std::sqrt(power / std::pow(10.0, ch.snrDb / 10.0));
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    const double step = 1.0 + ch.clockPpm * 1e-6;
    std::vector<std::int16_t> out;
    out.reserve(in.size());
    for (double t = 0; t + 1 < double(in.size()); t += step) {
        const auto i = static_cast<std::size_t>(t);
        const double f = t - double(i);
        double v = in[i] * (1 - f) + in[i + 1] * f + sigma * noise(rng);
        out.push_back(static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L)));
    }
    return out;
}

// Demodulates and receives, one tick per 200 ms of audio, then silence until the picture ends.
std::vector<RecordingSink::End> receiveAudio(const std::vector<std::int16_t>& audio, std::vector<int>& started,
                                             bool enhanced = false)
{
    signal::SoundcardDemodulator demod;
    demod.select("SSTV");
    auto ring = std::make_unique<SampleRing>();
    LevelHistogram histogram;
    RecordingSink sink;
    SstvRxSettings settings;
    settings.enhanced = enhanced;
    SstvReceiver rx(settings, *ring, histogram, &sink);
    sink.receiver = &rx;
    for (std::size_t i = 0; i < audio.size(); i += 2205) {
        demod.process(std::span<const std::int16_t>(audio.data() + i, std::min<std::size_t>(2205, audio.size() - i)), *ring);
        rx.tick();
    }
    const std::vector<std::int16_t> silence(2205, 0);
    for (int i = 0; rx.receiving() && i < 200; ++i) {
        demod.process(silence, *ring);
        rx.tick();
    }
    started = sink.started;
    return sink.ended;
}

const AudioChannel kAudioChannels[] = {
    {"clean", 99, 0, true, 25.0},
    {"snr20dB", 20, 0, true, 25.0},
    {"clock+50ppm", 99, 50, true, 25.0},
    {"specified", 99, 0, false, 21.0},
};

class SstvAudioRoundTrip : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(SstvAudioRoundTrip, ModeDetectedAndPictureRestored)
{
    const int row = GetParam();
    const auto& mode = kSstvModes[static_cast<std::size_t>(row)];
    const RgbPicture source = colouredScreen(mode.columns, mode.rows);
    const RgbPicture expected = mode.colourScheme == kSchemeMono ? greyOf(source) : source;
    const auto audio = toAudio(transmission(row, source));
    std::string report;
    for (const auto& ch : kAudioChannels) {
        SCOPED_TRACE(ch.name);
        std::vector<int> started;
        auto ended = receiveAudio(passAudio(audio, ch, 3u + static_cast<unsigned>(row)), started, ch.enhanced);
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started.front(), row);
        ASSERT_EQ(ended.size(), 1u);
        EXPECT_TRUE(ended.front().saved);
        const double db = psnr(ended.front().picture, expected);
        // Robot 36 carries its colour differences at under one ring item per pixel, which the
        // demodulator's filters smear; it stays a little below the other modes.
        EXPECT_GE(db, row == kRobot36Row ? ch.minDb - 4.0 : ch.minDb);
        char buf[64];
        std::snprintf(buf, sizeof buf, " %s %.1f dB", ch.name, db);
        report += buf;
    }
    std::printf("[ psnr     ] %-10s%s\n", std::string(mode.name).c_str(), report.c_str());
}

INSTANTIATE_TEST_SUITE_P(AllModes, SstvAudioRoundTrip, ::testing::Range(0, kTransmissionModeCount));

// The two Robot black-and-white modes share their line time and differ in the sync length only,
// which must be measured the same whatever lies next to the pulses after the demodulator.
TEST(SstvAudioDetection, RobotBlackAndWhiteBySyncLength)
{
    const RgbPicture black(340, 256);
    RgbPicture white(340, 256);
    std::fill(white.data().begin(), white.data().end(), 0xFFFFFFu);
    const RgbPicture header = withHeader(colouredScreen(340, 256));
    struct Case {
        const char* what;
        const RgbPicture* picture;
    };
    const Case pictures[] = {{"all black", &black}, {"all white", &white}, {"call sign in header", &header}};
    for (int row : {kRobotBw12Row, kRobotBw24Row})
        for (const auto& c : pictures) {
            SCOPED_TRACE(std::string(kSstvModes[static_cast<std::size_t>(row)].name) + ", " + c.what);
            std::vector<int> started;
            receiveAudio(toAudio(transmission(row, *c.picture)), started);
            ASSERT_FALSE(started.empty());
            EXPECT_EQ(started.front(), row);
        }
}

TEST(SstvCli, EncodeThenDecodeStoresTheLastReceivedPicture)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tellur-sstv-cli-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    const auto& mode = kSstvModes[kRobotBw12Row];
    const RgbPicture source = colouredScreen(mode.columns, mode.rows);
    ASSERT_TRUE(source.save(dir / "source.png"));
    const std::string cli = TELLUR_CLI_PATH;
    const std::string home = " --home '" + (dir / "home").string() + "' ";
    auto run = [](const std::string& cmd) { return std::system((cmd + " > /dev/null 2>&1").c_str()); };
    ASSERT_EQ(run(cli + home + "config set Justcall 2"), 0);
    EXPECT_NE(run(cli + home + "encode sstv --sstv-mode 'Rob. BW12' '" + (dir / "source.png").string() + "' '" +
                  (dir / "a.wav").string() + "'"),
              0); // no call sign configured
    ASSERT_EQ(run(cli + home + "encode sstv --sstv-mode 'Rob. BW12' --callsign DL1ABC '" + (dir / "source.png").string() +
                  "' '" + (dir / "a.wav").string() + "'"),
              0);
    const std::string events = (dir / "events.json").string();
    ASSERT_EQ(std::system((cli + home + "--json decode sstv --enhanced --out '" + (dir / "out").string() + "' '" +
                           (dir / "a.wav").string() + "' > '" + events + "' 2>/dev/null")
                              .c_str()),
              0);
    std::ifstream in(events);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("{\"event\":\"sstv-mode\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"mode\":\"Rob. BW12\""), std::string::npos) << text;
    EXPECT_NE(text.find("{\"event\":\"picture\""), std::string::npos) << text;

    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir / "out"))
        files.push_back(e.path());
    ASSERT_EQ(files.size(), 1u);
    const std::string name = files[0].filename().string();
    EXPECT_EQ(name.size(), std::string("20240101 1200 Rob. BW12.PNG").size()) << name;
    EXPECT_EQ(name.substr(8, 1), " ");
    EXPECT_EQ(name.substr(13), " Rob. BW12.PNG");
    RgbPicture decoded;
    ASSERT_TRUE(decoded.load(files[0]));
    EXPECT_GE(psnr(decoded, greyOf(source)), 25.0);
    fs::remove_all(dir);
}
