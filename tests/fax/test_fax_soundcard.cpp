// FAX through the real soundcard path: transmitter -> tone generator -> channel -> FM FAX
// demodulator -> ring -> receiver, and real recordings of start and stop signals.
#include "fax_test_support.h"

#include "fax/fax_assembly.h"
#include "fax/tone_filter.h"
#include "signal/demodulators.h"
#include "signal/tone_generator.h"
#include "signal/wave_source.h"

#include <gtest/gtest.h>

using namespace faxtest;

namespace {

std::vector<std::int16_t> toneSamples(std::span<const std::uint8_t> codes)
{
    signal::VectorToneSink sink;
    signal::ToneGenerator gen(sink);
    gen.start();
    gen.appendCodes(codes);
    gen.flush();
    return std::move(sink.samples);
}

struct Decoded {
    RecordingHost host;
    std::unique_ptr<SampleRing> ring = std::make_unique<SampleRing>();
    LevelHistogram hist;
    NullEventLog log;
    std::unique_ptr<FaxReceiver> rx;
};

void decode(Decoded& d, const FaxModeRecord& mode, std::span<const std::int16_t> audio)
{
    d.rx = std::make_unique<FaxReceiver>(*d.ring, d.hist, d.host, d.log);
    d.host.receiver = d.rx.get();
    d.rx->selectMode(mode, {});
    signal::SoundcardDemodulator demod;
    demod.select("FMFAX");
    for (std::size_t i = 0; i < audio.size(); i += 2205) {
        demod.process(audio.subspan(i, std::min<std::size_t>(2205, audio.size() - i)), *d.ring);
        d.rx->tick();
    }
}

std::vector<std::int16_t> withSilence(std::vector<std::int16_t> s, double seconds)
{
    std::vector<std::int16_t> pad(static_cast<std::size_t>(seconds * 11025), 0);
    s.insert(s.begin(), pad.begin(), pad.end());
    s.insert(s.end(), pad.begin(), pad.end());
    return s;
}

} // namespace

TEST(FaxSoundcard, RoundTripWithNoise)
{
    const FaxModeRecord mode = kDefaultFaxModes[0];
    const auto source = makeChart(860, 40);
    FaxTransmitSettings ts;
    ts.mode = mode;
    ts.callSign = "DL0TST";
    FaxTransmitter tx(ts, source, nullptr);
    const auto expected = transmittedPicture(tx, source, mode.pixelsPerLine);
    auto audio = withSilence(toneSamples(tx.allCodes()), 2.0);
    // About 10 dB below the signal over the whole 5.5 kHz band.
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0.0, 6300.0);
    for (auto& s : audio)
        s = static_cast<std::int16_t>(std::clamp(s + noise(rng), -32768.0, 32767.0));
    Decoded d;
    decode(d, mode, audio);
    EXPECT_EQ(d.rx->lpm(), 120);
    ASSERT_EQ(d.host.saves.size(), 1u);
    const Match m = bestMatch(*d.host.savedPicture, expected, tx.margin(), 12, 26, tx.margin() - 30, tx.margin() + 10);
    std::printf("soundcard noisy ncc %.4f rows +%d cols +%d\n", m.ncc, m.rowOffset, m.columnOffset);
    EXPECT_GT(m.ncc, 0.95);
}

TEST(FaxSoundcard, RateErrorSlantsThePictureAndTheSlantRecoversIt)
{
    FaxModeRecord mode = kDefaultFaxModes[0];
    mode.bitDepth = 8;
    storage::TDI8Bitmap source(1720, 160);
    std::vector<std::uint8_t> row(1720, 255);
    std::fill(row.begin() + 800, row.begin() + 840, 0);
    for (int y = 0; y < 160; ++y)
        source.storeRow(y, row);
    FaxTransmitSettings ts;
    ts.mode = mode;
    ts.callSign = "DL0TST";
    ts.dataRate = 7350.0 * (1.0 + 100e-6); // the sender's clock runs 100 ppm fast
    FaxTransmitter tx(ts, source, nullptr);
    Decoded d;
    decode(d, mode, withSilence(toneSamples(tx.allCodes()), 2.0));
    ASSERT_EQ(d.host.saves.size(), 1u);
    const auto& pic = *d.host.savedPicture;
    auto edge = [&](int y) {
        for (int x = 400; x < pic.width(); ++x)
            if (pic.getPixel(x, y) < 128)
                return x;
        return -1;
    };
    const int y1 = 30, y2 = 170;
    const int x1 = edge(y1), x2 = edge(y2);
    ASSERT_GT(x1, 0);
    EXPECT_GT(x2 - x1, 20) << "the picture slants";
    const float s = slantValue({x1, y1}, {x2, y2}, d.rx->samplesPerPixel(), d.rx->samplesPerLine(), false, false);
    const double corrected = correctedDataRate(s, 7350.0);
    std::printf("slant %.3g: %d px over %d lines, corrected rate %.4f\n", double(s), x2 - x1, y2 - y1, corrected);
    EXPECT_NEAR(corrected, 7350.735, 0.1);
}

TEST(FaxSoundcard, RealStartAndStopSignals)
{
    const std::string dir = std::string(TELLUR_SHARED_DIR) + "/testdata/real/fax/";
    auto peaks = [&](const std::string& file) {
        std::string error;
        auto src = signal::WaveSource::open(dir + file, error);
        EXPECT_TRUE(src) << file << ": " << error;
        std::vector<std::int16_t> audio(11025 * 4);
        audio.resize(src ? src->read(audio) : 0);
        signal::SoundcardDemodulator demod;
        demod.select("FMFAX");
        auto ring = std::make_unique<SampleRing>();
        demod.process(audio, *ring);
        GreyTables t;
        t.setLevels(0, 0, {});
        TFilter start(300, 16, 7350), stop(450, 16, 7350);
        int startHits = 0, stopHits = 0;
        for (std::int32_t i = 0; i < ring->writeSnapshot(); ++i) {
            start.feed(t.grey(ring->at(i)));
            stop.feed(t.grey(ring->at(i)));
            if (i % 736 == 735) {
                startHits += start.readPeak() > 15000;
                stopHits += stop.readPeak() > 15000;
            }
        }
        std::printf("%s: start %d stop %d of %d evaluations\n", file.c_str(), startHits, stopHits,
                    ring->writeSnapshot() / 736);
        return std::pair{startHits, stopHits};
    };
    const auto startTone = peaks("start_tone.wav");
    EXPECT_GE(startTone.first, 6) << "a second of start signal fills the evaluations";
    EXPECT_EQ(startTone.second, 0);
    const auto stopTone = peaks("stop_tone.wav");
    EXPECT_GE(stopTone.second, 6);
    EXPECT_EQ(stopTone.first, 0);
    const auto image = peaks("image.wav");
    EXPECT_EQ(image.first, 0);
    EXPECT_EQ(image.second, 0);
    const auto onset = peaks("start_tone_start.wav");
    EXPECT_GE(onset.first, 1);
}
