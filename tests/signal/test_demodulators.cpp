#include "signal/demodulators.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tellur;
using namespace tellur::signal;

namespace {

std::vector<std::int16_t> tone(double hz, double seconds, double amplitude = 12000.0)
{
    auto n = static_cast<std::size_t>(seconds * kSoundcardRate);
    std::vector<std::int16_t> s(n);
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * double(i) / kSoundcardRate)));
    return s;
}

std::vector<std::uint16_t> drain(SampleRing& ring)
{
    std::vector<std::uint16_t> out;
    std::int32_t w = ring.writeSnapshot();
    for (std::int32_t r = ring.readIndex(); r != w; r = ringIndex(r + 1))
        out.push_back(ring.at(r));
    ring.setReadIndex(w);
    return out;
}

double meanOfTail(const std::vector<std::uint16_t>& v, std::size_t tail)
{
    double sum = 0;
    for (std::size_t i = v.size() - tail; i < v.size(); ++i)
        sum += v[i];
    return sum / double(tail);
}

// Block by block through a fresh ring.
std::vector<std::uint16_t> run(Demodulator& demod, std::span<const std::int16_t> samples,
                               std::size_t chunk = kCaptureBlockSamples)
{
    auto ring = std::make_unique<SampleRing>();
    for (std::size_t i = 0; i < samples.size(); i += chunk)
        demod.process(samples.subspan(i, std::min(chunk, samples.size() - i)), *ring);
    return drain(*ring);
}

void restartStatistics(Demodulator& demod)
{
    if (auto* rtty = dynamic_cast<RttyDemodulator*>(&demod))
        rtty->restartLevelStatistics(7350);
}

std::vector<DemodRow> receiveRows()
{
    std::vector<DemodRow> rows;
    for (const auto& row : kDemodTable)
        if (row.receives())
            rows.push_back(row);
    return rows;
}

// A tone near every centre frequency with noise, so that every branch of every routine runs.
std::vector<std::int16_t> noisySweep(double seconds, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0, 2500);
    auto n = static_cast<std::size_t>(seconds * kSoundcardRate);
    std::vector<std::int16_t> s(n);
    double phase = 0;
    for (std::size_t i = 0; i < n; ++i) {
        phase += 2 * std::numbers::pi * (1300 + 1200 * double(i) / double(n)) / kSoundcardRate;
        s[i] = static_cast<std::int16_t>(std::clamp(11000 * std::sin(phase) + noise(rng), -32768.0, 32767.0));
    }
    return s;
}

struct ToneCase {
    const char* demod;
    double hz;
    int expected;
};

} // namespace

class SteadyTone : public ::testing::TestWithParam<ToneCase> {};

// The item levels the FAX and SSTV receivers are calibrated against.
TEST_P(SteadyTone, SettlesToTheCalibratedLevel)
{
    const ToneCase& tc = GetParam();
    SoundcardDemodulator demod;
    ASSERT_TRUE(demod.select(tc.demod));
    auto ring = std::make_unique<SampleRing>();
    auto samples = tone(tc.hz, 0.5);
    demod.process(samples, *ring);
    auto items = drain(*ring);
    ASSERT_EQ(items.size(), samples.size() - samples.size() / 3);
    EXPECT_NEAR(meanOfTail(items, 2000), tc.expected, 1.5) << tc.demod << " " << tc.hz << " Hz";
    for (std::size_t i = items.size() - 2000; i < items.size(); ++i)
        ASSERT_NEAR(items[i], tc.expected, 4) << "ripple at item " << i;
    EXPECT_GT(demod.takeAudioPeak(), 0);
    EXPECT_EQ(demod.takeAudioPeak(), 0) << "reading clears the peak";
}

INSTANTIATE_TEST_SUITE_P(Table, SteadyTone,
                         ::testing::Values(ToneCase{"FMFAX", 1500, 65}, ToneCase{"FMFAX", 1900, 128},
                                           ToneCase{"FMFAX", 2300, 191}, ToneCase{"SSTV", 1200, 36},
                                           ToneCase{"SSTV", 1500, 90}, ToneCase{"SSTV", 1700, 128},
                                           ToneCase{"SSTV", 2300, 237}));

TEST(Demodulators, SilenceGivesMidLevelAndNoPeak)
{
    for (auto name : {"FMFAX", "SSTV"}) {
        SoundcardDemodulator demod;
        ASSERT_TRUE(demod.select(name));
        auto ring = std::make_unique<SampleRing>();
        std::vector<std::int16_t> zeros(3000, 0);
        demod.process(zeros, *ring);
        auto items = drain(*ring);
        ASSERT_EQ(items.size(), 2000u);
        for (auto v : items)
            ASSERT_EQ(v, 128) << name;
        EXPECT_EQ(demod.takeAudioPeak(), 0) << name;
    }
}

TEST(Demodulators, OutputDoesNotDependOnBlockSplit)
{
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 3000);
    auto samples = tone(1700, 0.4, 9000);
    for (auto& s : samples)
        s = static_cast<std::int16_t>(std::clamp(s + noise(rng), -32768.0, 32767.0));

    for (const auto& row : receiveRows()) {
        std::vector<std::vector<std::uint16_t>> outputs;
        for (std::size_t chunk : {std::size_t(1), std::size_t(7), std::size_t(512), samples.size()}) {
            auto demod = makeDemodulator(row.type);
            restartStatistics(*demod);
            outputs.push_back(run(*demod, samples, chunk));
        }
        for (std::size_t i = 1; i < outputs.size(); ++i)
            EXPECT_EQ(outputs[i], outputs[0]) << row.name;
    }
}

TEST(Demodulators, SelectSemantics)
{
    SoundcardDemodulator demod;
    EXPECT_FALSE(demod.receiving());
    struct Row {
        const char* name;
        DemodType demod;
        int centre;
    };
    for (Row r : {Row{"FMFAX", DemodType::FmFax, 1900}, Row{"AMFAX", DemodType::AmFax, 2400},
                  Row{"AMPLLFAX", DemodType::AmPllFax, 2400}, Row{"SSTV", DemodType::Sstv, 1700},
                  Row{"RTTY_85", DemodType::Rtty85, 1400}, Row{"RTTY_170", DemodType::Rtty170, 1400},
                  Row{"RTTY_450", DemodType::Rtty450, 1400}, Row{"RTTY_NAVTEX", DemodType::RttyNavtex, 1400},
                  Row{"RTTY_850", DemodType::Rtty850, 1400}}) {
        ASSERT_TRUE(demod.select(r.name));
        EXPECT_EQ(demod.current(), r.demod);
        EXPECT_EQ(demod.centerFrequency(), r.centre) << r.name;
        EXPECT_EQ(demod.oscillatorStep(), oscillatorStepE4(r.centre));
    }
    EXPECT_FALSE(demod.select("RTTY_999"));
    EXPECT_EQ(demod.current(), DemodType::Rtty850) << "an unknown name keeps the routine";
    EXPECT_TRUE(demod.receiving());
    EXPECT_TRUE(demod.select("SSTVTX"));
    EXPECT_EQ(demod.current(), DemodType::SstvTx);
    EXPECT_FALSE(demod.receiving());
    auto ring = std::make_unique<SampleRing>();
    demod.process(tone(1500, 0.1), *ring);
    EXPECT_EQ(ring->writeSnapshot(), 0) << "the tone output selection writes no items";
    EXPECT_TRUE(demod.select(""));
    EXPECT_EQ(demod.current(), std::nullopt);
}

TEST(Demodulators, OscillatorStepRoundsTheScaledFrequency)
{
    // round(1900*256/11025*10000) = round(441179.138...) ; 1400 Hz -> 325079.365...
    EXPECT_EQ(oscillatorStepE4(1900), 441179);
    EXPECT_EQ(oscillatorStepE4(1400), 325079);
    EXPECT_EQ(oscillatorStepE4(0), 0);
}

TEST(RttyBackEnd, SlicerHysteresisAndInvert)
{
    RttyBackEnd be;
    LevelHistogram h;
    be.restartLevelStatistics(7350, h);
    int afc = 0;
    std::uint8_t slicer = 0;
    std::vector<int> out;
    for (int v : {150, 120, 110, 200})
        out.push_back(be.step(v, slicer, false, 0, afc, h).item);
    EXPECT_EQ(out, (std::vector<int>{255, 255, 0, 255}));
    // Inverted, and levels inside the dead bands keep the state.
    out.clear();
    for (int v : {130, 20, 16, 112, 144, 145, 240})
        out.push_back(be.step(v, slicer, false, 255, afc, h).item);
    EXPECT_EQ(out, (std::vector<int>{0, 255, 255, 255, 255, 0, 0}));
}

TEST(RttyBackEnd, AfcStepsByFiveHzPer400AndStopsAtTheLimit)
{
    RttyBackEnd be;
    LevelHistogram h;
    be.restartLevelStatistics(7350, h);
    int afc = 0;
    std::uint8_t slicer = 0;
    int changes = 0;
    for (int i = 0; i < 401; ++i)
        changes += be.step(200, slicer, true, 0, afc, h).afcChanged;
    EXPECT_EQ(afc, 5);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(be.afcBalance(), 1);
    for (int i = 0; i < 401 * 60; ++i)
        be.step(250, slicer, true, 0, afc, h);
    EXPECT_EQ(afc, 250);
    // Mid levels do not move the balance; low levels walk it back down to -250.
    int before = be.afcBalance();
    be.step(128, slicer, true, 0, afc, h);
    EXPECT_EQ(be.afcBalance(), before);
    for (int i = 0; i < 401 * 120; ++i)
        be.step(10, slicer, true, 0, afc, h);
    EXPECT_EQ(afc, -250);
    // Off: nothing moves.
    int balance = be.afcBalance();
    for (int i = 0; i < 1000; ++i)
        be.step(250, slicer, false, 0, afc, h);
    EXPECT_EQ(afc, -250);
    EXPECT_EQ(be.afcBalance(), balance);
}

TEST(RttyBackEnd, HistogramCountsTheLastHalfSecond)
{
    RttyBackEnd be;
    LevelHistogram h;
    be.restartLevelStatistics(7350, h);
    EXPECT_EQ(h.windowLength, 3675);
    EXPECT_EQ(h.windowStart, 15000 - 3675);
    EXPECT_EQ(h.counts[0], 3675);
    int afc = 0;
    std::uint8_t slicer = 0;
    for (int i = 0; i < 20000; ++i) {
        int v = i < 18000 ? 201 : 60;
        be.step(v, slicer, false, 0, afc, h);
        int total = 0;
        for (int c : h.counts) {
            ASSERT_GE(c, 0);
            total += c;
        }
        ASSERT_EQ(total, 3675);
    }
    EXPECT_EQ(h.counts[200], 3675 - 2000);
    EXPECT_EQ(h.counts[60], 2000);
}

TEST(Demodulators, RttyAfcPullsTheOscillatorTowardsAnOffsetSignal)
{
    SoundcardDemodulator demod;
    ASSERT_TRUE(demod.select("RTTY_170"));
    demod.restartLevelStatistics(7350);
    demod.setAfc(true);
    auto ring = std::make_unique<SampleRing>();
    // A tone far above the centre keeps the levels above 192 until the AFC has moved.
    demod.process(tone(1600, 2.0), *ring);
    EXPECT_GT(demod.afcOffsetHz(), 0);
    EXPECT_EQ(demod.oscillatorStep(), oscillatorStepE4(1400 + demod.afcOffsetHz()));
    auto items = drain(*ring);
    EXPECT_EQ(items.back(), 255);
    demod.setAfc(false);
    EXPECT_EQ(demod.afcOffsetHz(), 0);
    EXPECT_EQ(demod.oscillatorStep(), oscillatorStepE4(1400));
    demod.setInvert(true);
    demod.process(tone(1600, 0.2), *ring);
    EXPECT_EQ(drain(*ring).back(), 0);
}

TEST(Demodulators, RttyTonesSliceToMarkAndSpace)
{
    struct Row {
        const char* name;
        int shift;
    };
    for (Row r : {Row{"RTTY_85", 85}, Row{"RTTY_170", 170}, Row{"RTTY_450", 450}, Row{"RTTY_NAVTEX", 170},
                  Row{"RTTY_850", 850}}) {
        SoundcardDemodulator demod;
        ASSERT_TRUE(demod.select(r.name));
        demod.restartLevelStatistics(7350);
        auto ring = std::make_unique<SampleRing>();
        demod.process(tone(1400 + r.shift / 2.0, 0.3), *ring);
        EXPECT_EQ(drain(*ring).back(), 255) << r.name << " upper tone";
        demod.process(tone(1400 - r.shift / 2.0, 0.3), *ring);
        EXPECT_EQ(drain(*ring).back(), 0) << r.name << " lower tone";
    }
}

TEST(Demodulators, AmEnvelopeIsClampedAndFollowsTheCarrierLevel)
{
    SoundcardDemodulator demod;
    ASSERT_TRUE(demod.select("AMFAX"));
    EXPECT_TRUE(demod.fourteenBitItems());
    auto ring = std::make_unique<SampleRing>();
    demod.process(tone(2400, 0.5, 32767), *ring);
    auto loud = drain(*ring);
    ASSERT_EQ(loud.size(), 3675u);
    for (auto v : loud)
        ASSERT_LE(v, 16300);
    EXPECT_EQ(loud.back(), 16300);
    demod.process(tone(2400, 0.5, 4000), *ring);
    auto quiet = drain(*ring);
    EXPECT_GT(quiet.back(), 1000);
    EXPECT_LT(quiet.back(), 16300);
    std::vector<std::int16_t> zeros(3000, 0);
    demod.process(zeros, *ring);
    EXPECT_EQ(drain(*ring).back(), 0);
}

TEST(Demodulators, AmPllSamplesTheEnvelopeFourTimesPerCarrierCycle)
{
    SoundcardDemodulator demod;
    ASSERT_TRUE(demod.select("AMPLLFAX"));
    auto ring = std::make_unique<SampleRing>();
    demod.process(tone(2400, 1.0, 10000), *ring); // settle
    drain(*ring);
    demod.process(tone(2400, 2.0, 10000), *ring);
    auto items = drain(*ring);
    EXPECT_NEAR(double(items.size()) / 2.0, 9600.0, 60.0);
    for (auto v : items)
        ASSERT_LE(v, 16300);
}

TEST(Demodulators, ResetEqualsAFreshObject)
{
    const auto first = noisySweep(0.6, 3);
    const auto second = noisySweep(0.4, 4);
    for (const auto& row : receiveRows()) {
        auto used = makeDemodulator(row.type);
        used->controls().setCenterFrequency(row.centerHz + 35);
        used->controls().setInvert(true);
        used->controls().setAfc(true);
        if (auto* pll = dynamic_cast<AmPllDemodulator*>(used.get()))
            pll->setDataRate(5000);
        restartStatistics(*used);
        run(*used, first, 7);
        used->reset();

        auto fresh = makeDemodulator(row.type);
        EXPECT_EQ(used->controls().centerFrequency(), fresh->controls().centerFrequency()) << row.name;
        EXPECT_EQ(used->controls().oscillatorStep(), fresh->controls().oscillatorStep()) << row.name;
        EXPECT_EQ(used->controls().afc(), fresh->controls().afc()) << row.name;
        EXPECT_EQ(used->controls().invert(), fresh->controls().invert()) << row.name;
        EXPECT_EQ(used->controls().takeAudioPeak(), 0) << row.name;
        if (auto* rtty = dynamic_cast<RttyDemodulator*>(used.get())) {
            EXPECT_EQ(rtty->backEnd().afcBalance(), 0) << row.name;
            EXPECT_EQ(rtty->backEnd().writePosition(), 0) << row.name;
            EXPECT_EQ(rtty->levelHistogram().counts, LevelHistogram{}.counts) << row.name;
        }
        restartStatistics(*used);
        restartStatistics(*fresh);
        EXPECT_EQ(run(*used, second), run(*fresh, second)) << row.name;
        EXPECT_EQ(used->controls().takeAudioPeak(), fresh->controls().takeAudioPeak()) << row.name;
    }
}

TEST(Demodulators, BadRatesAreRefusedWithTheFieldNamed)
{
    struct Case {
        const char* intent;
        DemodulatorRates rates;
        const char* field;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const Case& c : {Case{"CD rate", {44100, 7350}, "sampleRate"}, Case{"no rate", {0, 7350}, "sampleRate"},
                          Case{"no data rate", {kSoundcardRate, 0}, "dataRate"},
                          Case{"negative data rate", {kSoundcardRate, -7350}, "dataRate"},
                          Case{"NaN data rate", {kSoundcardRate, nan}, "dataRate"},
                          Case{"endless data rate", {kSoundcardRate, inf}, "dataRate"}}) {
        for (const auto& row : receiveRows()) {
            try {
                makeDemodulator(row.type, c.rates);
                ADD_FAILURE() << c.intent << " accepted by " << row.name;
            } catch (const std::invalid_argument& e) {
                EXPECT_EQ(std::string(e.what()).rfind(std::string(c.field) + ":", 0), 0u)
                    << c.intent << " " << row.name << ": " << e.what();
            }
        }
    }
    AmPllDemodulator pll;
    EXPECT_THROW(pll.setDataRate(0.5), std::invalid_argument);
    EXPECT_EQ(makeDemodulator(DemodType::SstvTx), nullptr) << "the tone output is no receive routine";
}

// The selection runs the table's class; a routine keeps its own counters across selections of
// others, while the histories and the oscillator phase start over.
TEST(Demodulators, SelectionRunsTheRoutineAndKeepsItsCounters)
{
    const auto a = noisySweep(0.31, 5);
    const auto b = noisySweep(0.23, 6);
    for (const auto& row : receiveRows()) {
        SoundcardDemodulator card;
        auto alone = makeDemodulator(row.type);
        ASSERT_TRUE(card.select(row.name));
        card.restartLevelStatistics(7350);
        restartStatistics(*alone);
        auto ring = std::make_unique<SampleRing>();
        card.process(a, *ring);
        EXPECT_EQ(drain(*ring), run(*alone, a)) << row.name;

        const auto& other = row.type == DemodType::FmFax ? demodRow(DemodType::Sstv) : demodRow(DemodType::FmFax);
        ASSERT_TRUE(card.select(other.name));
        card.process(b, *ring);
        drain(*ring);
        ASSERT_TRUE(card.select(row.name));
        card.restartLevelStatistics(7350);
        alone->restart();
        restartStatistics(*alone);
        card.process(b, *ring);
        EXPECT_EQ(drain(*ring), run(*alone, b)) << row.name;
        EXPECT_EQ(card.fourteenBitItems(), row.fourteenBit) << row.name;
    }
}

TEST(Demodulators, AnUnsetDataRateRunsThePllAt7350)
{
    const auto carrier = tone(2400, 0.5, 10000);
    SoundcardDemodulator card;
    card.setDataRate(0);
    ASSERT_TRUE(card.select("AMPLLFAX"));
    auto ring = std::make_unique<SampleRing>();
    card.process(carrier, *ring);
    AmPllDemodulator alone;
    EXPECT_EQ(drain(*ring), run(alone, carrier));
}
