#include "signal/demodulators.h"

#include "core/numeric.h"
#include "signal/fixed_point.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tellur::signal {
namespace {

// Filter rows, scale 10000; the last value of each row is the centre tap.
constexpr std::array<std::int32_t, 26> kFaxFirst = {0, 0, 0, 1, 2, 4, 6, 8, 7, 2, -9, -29, -55, -83, -105, -108,
                                                    -81, -12, 106, 274, 479, 704, 922, 1105, 1227, 1270};
constexpr std::array<std::int32_t, 11> kFaxSecond = {-76, -175, -35, 263, 307, -151, -683, -417, 1016, 2839, 3676};
constexpr std::array<std::int32_t, 26> kRtty85First = {97, 106, 115, 125, 134, 143, 153, 162, 171, 180, 188, 197, 205,
                                                       212, 219, 226, 232, 238, 243, 247, 251, 254, 256, 258, 259, 260};
constexpr std::array<std::int32_t, 26> kRtty170First = {47, 57, 68, 80, 92, 105, 119, 133, 147, 161, 176, 190, 204,
                                                        217, 230, 243, 254, 265, 275, 283, 291, 297, 302, 305, 308, 308};
constexpr std::array<std::int32_t, 26> kRtty450First = {-213, -230, -244, -252, -255, -251, -241, -224, -199,
                                                        -168, -131, -87, -39, 13, 69, 126, 183, 239,
                                                        293, 342, 387, 425, 456, 479, 492, 497};
constexpr std::array<std::int32_t, 26> kRtty850First = {202, 201, 185, 152, 102, 39, -35, -115, -197,
                                                        -273, -339, -387, -414, -417, -392, -342, -266, -171,
                                                        -60, 58, 176, 286, 381, 454, 500, 516};
constexpr std::array<std::int32_t, 26> kNavtexFirst = {44, 54, 65, 77, 89, 102, 116, 130, 145, 159, 174, 188, 203,
                                                       217, 230, 243, 255, 267, 277, 286, 294, 300, 306, 309, 312, 312};
constexpr std::array<std::int32_t, 26> kRttyNarrowSecond = {88, 97, 107, 117, 127, 137, 147, 157, 167,
                                                            177, 186, 195, 204, 213, 221, 229, 236, 242,
                                                            248, 253, 258, 262, 264, 266, 268, 268};
constexpr std::array<std::int32_t, 26> kRttyWideSecond = {53, 62, 73, 84, 96, 108, 121, 134, 148,
                                                          162, 175, 189, 202, 216, 228, 240, 252, 262,
                                                          272, 281, 288, 294, 299, 303, 305, 305};
constexpr std::array<std::int32_t, 26> kAmFirst = {25, 1, -37, -25, 37, 57, -17, -86, -29, 97, 95, -72, -166,
                                                   -4, 215, 133, -207, -302, 101, 488, 160, -657, -732, 775, 3033, 4122};
constexpr std::array<std::int32_t, 21> kAmEnvelope = {54, 59, -44, -98, 13, 133, 45, -152, -128, 138, 230,
                                                      -75, -343, -60, 452, 311, -543, -828, 603, 3008, 4209};
constexpr std::array<std::int32_t, 16> kPllBandPass = {356, -429, 16, 470, -478, -58, 580, -496,
                                                       -150, 671, -478, -250, 731, -426, -347, 752};
constexpr std::array<std::int32_t, 16> kPllLowPass = {104, 132, 162, 194, 228, 262, 297, 331,
                                                      363, 394, 421, 444, 463, 477, 485, 488};

// Oscillator and PLL reference tables. The divisor is 255 while the phase counts 256 steps per
// turn: the table angle runs slightly ahead within a turn, on average the frequency is exact.
struct Tables {
    std::array<std::int32_t, 256> cosE4{};
    std::array<std::int32_t, 256> sinE4{};
    std::array<std::int32_t, 256> pllSine{};
    Tables()
    {
        for (int i = 0; i < 256; ++i) {
            double a = 2.0 * std::numbers::pi * i / 255.0;
            cosE4[i] = static_cast<std::int32_t>(roundHalfEven(std::cos(a) * 10000.0));
            sinE4[i] = static_cast<std::int32_t>(roundHalfEven(std::sin(a) * 10000.0));
            pllSine[i] = static_cast<std::int32_t>(roundHalfEven(std::sin(a) * 28000.0));
        }
    }
};
const Tables& tables()
{
    static const Tables t;
    return t;
}

struct FmParams {
    const std::int32_t* first;
    const std::int32_t* second;
    int secondTaps; // 21 or 51
    std::int64_t d; // discriminator scale
    bool rtty;
};

constexpr FmParams fmParams(Demod k)
{
    switch (k) {
    case Demod::FmFax: return {kFaxFirst.data(), kFaxSecond.data(), 21, 500000, false};
    case Demod::Sstv: return {kFaxFirst.data(), kFaxSecond.data(), 21, 420000, false};
    case Demod::Rtty85: return {kRtty85First.data(), kRttyNarrowSecond.data(), 51, 60000, true};
    case Demod::Rtty170: return {kRtty170First.data(), kRttyNarrowSecond.data(), 51, 125000, true};
    case Demod::Rtty450: return {kRtty450First.data(), kRttyNarrowSecond.data(), 51, 300000, true};
    case Demod::Rtty850: return {kRtty850First.data(), kRttyWideSecond.data(), 51, 600000, true};
    case Demod::RttyNavtex: return {kNavtexFirst.data(), kRttyWideSecond.data(), 51, 125000, true};
    default: return {nullptr, nullptr, 0, 1, false};
    }
}

struct NameEntry {
    std::string_view name;
    Demod demod;
};
constexpr std::array<NameEntry, 10> kNames = {{{"FMFAX", Demod::FmFax},
                                               {"AMFAX", Demod::AmFax},
                                               {"AMPLLFAX", Demod::AmPllFax},
                                               {"SSTV", Demod::Sstv},
                                               {"SSTVTX", Demod::SstvTx},
                                               {"RTTY_85", Demod::Rtty85},
                                               {"RTTY_170", Demod::Rtty170},
                                               {"RTTY_450", Demod::Rtty450},
                                               {"RTTY_NAVTEX", Demod::RttyNavtex},
                                               {"RTTY_850", Demod::Rtty850}}};

} // namespace

std::optional<Demod> demodFromName(std::string_view name)
{
    for (const auto& e : kNames)
        if (e.name == name)
            return e.demod;
    return std::nullopt;
}

std::string_view demodName(Demod d)
{
    for (const auto& e : kNames)
        if (e.demod == d)
            return e.name;
    return {};
}

std::int64_t oscillatorStepE4(std::int64_t hz)
{
    return roundHalfEven(static_cast<double>(hz * 256) / 11025.0 * 10000.0);
}

// ---------------------------------------------------------------------------------------------

RttyBackEnd::Result RttyBackEnd::step(int v, std::uint8_t& slicer, bool afcOn, std::uint8_t invert,
                                      int& afcOffsetHz, LevelHistogram& histogram)
{
    auto b = static_cast<std::uint16_t>(v & 0xFE);
    m_history[static_cast<std::size_t>(m_writePos)] = b;
    histogram.counts[b]++;
    int ws = histogram.windowStart;
    if (ws < 0 || ws >= kTuningHistorySize)
        ws = 0; // a histogram last used over the ring; the RTTY window restarts it anyway
    histogram.counts[m_history[static_cast<std::size_t>(ws)] & 0xFF]--;
    histogram.windowStart = ws + 1 == kTuningHistorySize ? 0 : ws + 1;
    m_writePos = m_writePos + 1 == kTuningHistorySize ? 0 : m_writePos + 1;

    bool changed = false;
    if (afcOn) {
        if (v > 192)
            ++m_afcBalance;
        else if (v < 64)
            --m_afcBalance;
        if (m_afcBalance > 400) {
            m_afcBalance -= 400;
            if (afcOffsetHz < kAfcLimitHz) {
                afcOffsetHz += 5;
                changed = true;
            }
        } else if (m_afcBalance < -400) {
            m_afcBalance += 400;
            if (afcOffsetHz >= -kAfcLimitHz + 1) {
                afcOffsetHz -= 5;
                changed = true;
            }
        }
    }

    if (v > 144 && v < 240 && slicer == 0)
        slicer = 255;
    else if (v > 16 && v < 112 && slicer == 255)
        slicer = 0;
    return {static_cast<std::uint8_t>(invert ^ slicer), changed};
}

void RttyBackEnd::restartLevelStatistics(double itemsPerSecond, LevelHistogram& histogram)
{
    auto w = static_cast<std::int32_t>(std::clamp<std::int64_t>(roundHalfEven(itemsPerSecond / 2.0), 0,
                                                                kTuningHistorySize - 1));
    // The history is cleared too, so that the counters always describe zero items plus what has
    // been stored since: otherwise stale entries leaving the window drive counters negative.
    m_history.fill(0);
    m_writePos = 0;
    histogram.counts.fill(0);
    histogram.counts[0] = w;
    histogram.windowLength = w;
    histogram.windowStart = w == 0 ? 0 : kTuningHistorySize - w;
}

void RttyBackEnd::clearHistory()
{
    m_history.fill(0);
    m_writePos = 0;
}

// ---------------------------------------------------------------------------------------------

SoundcardDemodulator::SoundcardDemodulator()
{
    tables();
}

int SoundcardDemodulator::routineIndex(Demod d)
{
    switch (d) {
    case Demod::FmFax: return 0;
    case Demod::AmFax:
    case Demod::AmPllFax: return 1;
    case Demod::Sstv: return 2;
    case Demod::Rtty85: return 3;
    case Demod::Rtty170: return 4;
    case Demod::Rtty450: return 5;
    case Demod::RttyNavtex: return 6;
    case Demod::Rtty850: return 7;
    default: return 0;
    }
}

void SoundcardDemodulator::reset()
{
    LevelHistogram* attached = m_histogram == &m_ownHistogram ? nullptr : m_histogram;
    m_demod = Demod::None;
    m_routines = {};
    m_phaseE4 = 0;
    m_iHist.fill(0);
    m_qHist.fill(0);
    m_dHist.fill(0);
    m_pll = PllState{};
    m_dataRate = 7350.0f;
    m_stepE4.store(0);
    m_centerHz.store(0);
    m_afcOffsetHz.store(0);
    m_afcOn.store(false);
    m_invert.store(0);
    m_audioPeak.store(0);
    m_rtty.clearAll();
    m_ownHistogram = LevelHistogram{};
    m_histogram = attached ? attached : &m_ownHistogram;
}

bool SoundcardDemodulator::select(std::string_view name)
{
    m_iHist.fill(0);
    m_qHist.fill(0);
    m_dHist.fill(0);
    m_rtty.clearHistory();
    m_histogram->counts.fill(0);
    m_histogram->windowStart = 0;
    m_histogram->windowLength = 0;
    m_phaseE4 = 0;

    if (name.empty()) {
        m_demod = Demod::None;
        return true;
    }
    auto d = demodFromName(name);
    if (!d)
        return false;
    m_demod = *d;
    switch (*d) {
    case Demod::FmFax: setCenterFrequency(1900); break;
    case Demod::AmFax:
    case Demod::AmPllFax: setCenterFrequency(2400); break;
    case Demod::Sstv: setCenterFrequency(1700); break;
    case Demod::SstvTx:
    case Demod::None: break;
    default: setCenterFrequency(1400); break;
    }
    return true;
}

void SoundcardDemodulator::setCenterFrequency(int hz)
{
    // Bounded so the oscillator step stays within one turn per sample and positive.
    m_centerHz.store(std::clamp(hz, 0, 5000), std::memory_order_relaxed);
    recomputeStep();
}

void SoundcardDemodulator::setAfc(bool on)
{
    m_afcOn.store(on, std::memory_order_relaxed);
    m_afcOffsetHz.store(0, std::memory_order_relaxed);
    m_rtty.resetAfcBalance();
    recomputeStep();
}

void SoundcardDemodulator::recomputeStep()
{
    std::int64_t hz = std::int64_t(m_centerHz.load(std::memory_order_relaxed)) +
                      m_afcOffsetHz.load(std::memory_order_relaxed);
    m_stepE4.store(oscillatorStepE4(std::max<std::int64_t>(hz, 0)), std::memory_order_relaxed);
}

void SoundcardDemodulator::restartLevelStatistics(double itemsPerSecond)
{
    m_rtty.restartLevelStatistics(itemsPerSecond, *m_histogram);
}

void SoundcardDemodulator::raisePeak(std::int64_t m)
{
    std::int64_t cur = m_audioPeak.load(std::memory_order_relaxed);
    while (m > cur && !m_audioPeak.compare_exchange_weak(cur, m, std::memory_order_relaxed)) {
    }
}

void SoundcardDemodulator::process(std::span<const std::int16_t> samples, SampleRing& ring)
{
    switch (m_demod) {
    case Demod::FmFax: runFm<Demod::FmFax>(samples, ring); break;
    case Demod::Sstv: runFm<Demod::Sstv>(samples, ring); break;
    case Demod::Rtty85: runFm<Demod::Rtty85>(samples, ring); break;
    case Demod::Rtty170: runFm<Demod::Rtty170>(samples, ring); break;
    case Demod::Rtty450: runFm<Demod::Rtty450>(samples, ring); break;
    case Demod::RttyNavtex: runFm<Demod::RttyNavtex>(samples, ring); break;
    case Demod::Rtty850: runFm<Demod::Rtty850>(samples, ring); break;
    case Demod::AmFax: runAm(samples, ring, false); break;
    case Demod::AmPllFax: runAm(samples, ring, true); break;
    case Demod::None:
    case Demod::SstvTx: break;
    }
}

template <Demod K>
void SoundcardDemodulator::runFm(std::span<const std::int16_t> samples, SampleRing& ring)
{
    constexpr FmParams prm = fmParams(K);
    constexpr int n2 = prm.secondTaps;
    const Tables& tab = tables();
    RoutineState& rs = m_routines[static_cast<std::size_t>(routineIndex(K))];
    std::int64_t peak = 0;
    std::int64_t phase = m_phaseE4;
    int h = rs.h, h2 = rs.h2, c = rs.c;

    for (std::int16_t x : samples) {
        phase += m_stepE4.load(std::memory_order_relaxed);
        if (phase >= kPhaseTurnE4)
            phase -= kPhaseTurnE4;
        auto k = static_cast<std::size_t>(phase / 10000);
        std::int32_t iv = x * tab.cosE4[k] / 10000;
        std::int32_t qv = x * tab.sinE4[k] / 10000;
        auto hp = static_cast<std::size_t>(h);
        m_iHist[hp] = m_iHist[hp + 51] = iv;
        m_qHist[hp] = m_qHist[hp + 51] = qv;
        c = c == 2 ? 0 : c + 1;
        if (c != 0) {
            std::int64_t fi = symmetricFir<51>(&m_iHist[hp + 1], prm.first);
            std::int64_t fq = symmetricFir<51>(&m_qHist[hp + 1], prm.first);
            double a = static_cast<double>(fi) / 10000.0;
            double b = static_cast<double>(fq) / 10000.0;
            std::int64_t m = roundHalfEven(std::sqrt(a * a + b * b) * 10000.0);
            peak = std::max(peak, m);
            if (m < 1)
                m = 1;
            std::int64_t n = roundHalfEven(1e10 / static_cast<double>(m));
            std::int64_t in = divRoundE4(fi * n);
            std::int64_t qn = divRoundE4(fq * n);
            std::int64_t d = divRoundE4(rs.ip * qn) - divRoundE4(rs.qp * in);
            rs.ip = in;
            rs.qp = qn;
            auto p2 = static_cast<std::size_t>(h2);
            m_dHist[p2] = m_dHist[p2 + n2] = static_cast<std::int32_t>(divRoundE4(d));
            std::int64_t s = symmetricFir<n2>(&m_dHist[p2 + 1], prm.second);
            h2 = h2 + 1 == n2 ? 0 : h2 + 1;
            std::int64_t v = divRoundE4(divRoundHalfEven(-s * 10000, prm.d) + 1280000);
            v = std::clamp<std::int64_t>(v, 0, 255);
            if constexpr (prm.rtty) {
                int afcHz = m_afcOffsetHz.load(std::memory_order_relaxed);
                bool afcOn = m_afcOn.load(std::memory_order_relaxed);
                auto r = m_rtty.step(static_cast<int>(v), rs.slicer, afcOn, m_invert.load(std::memory_order_relaxed),
                                     afcHz, *m_histogram);
                if (r.afcChanged) {
                    m_afcOffsetHz.store(afcHz, std::memory_order_relaxed);
                    recomputeStep();
                }
                ring.append(r.item);
            } else {
                ring.append(static_cast<std::uint16_t>(v));
            }
        }
        h = h == 50 ? 0 : h + 1;
    }
    m_phaseE4 = phase;
    rs.h = h;
    rs.h2 = h2;
    rs.c = c;
    raisePeak(peak);
}

void SoundcardDemodulator::runAm(std::span<const std::int16_t> samples, SampleRing& ring, bool pll)
{
    const Tables& tab = tables();
    RoutineState& rs = m_routines[static_cast<std::size_t>(routineIndex(Demod::AmFax))];
    std::int64_t peak = 0;
    std::int64_t phase = m_phaseE4;
    int h = rs.h, h2 = rs.h2 % 41, c = rs.c;

    for (std::int16_t x : samples) {
        phase += m_stepE4.load(std::memory_order_relaxed);
        if (phase >= kPhaseTurnE4)
            phase -= kPhaseTurnE4;
        auto k = static_cast<std::size_t>(phase / 10000);
        auto hp = static_cast<std::size_t>(h);
        m_iHist[hp] = m_iHist[hp + 51] = x * tab.cosE4[k] / 10000;
        m_qHist[hp] = m_qHist[hp + 51] = x * tab.sinE4[k] / 10000;
        c = c == 2 ? 0 : c + 1;
        if (c != 0) {
            std::int64_t fi = symmetricFir<51>(&m_iHist[hp + 1], kAmFirst.data()) / 10000;
            std::int64_t fq = symmetricFir<51>(&m_qHist[hp + 1], kAmFirst.data()) / 10000;
            std::int64_t m = roundHalfEven(std::sqrt(static_cast<double>(fi * fi + fq * fq)) * 10000.0);
            peak = std::max(peak, m);
            auto p2 = static_cast<std::size_t>(h2);
            m_dHist[p2] = m_dHist[p2 + 41] = static_cast<std::int32_t>(divRoundE4(m));
            std::int64_t sum = symmetricFir<41>(&m_dHist[p2 + 1], kAmEnvelope.data());
            h2 = h2 == 40 ? 0 : h2 + 1;
            auto e = static_cast<std::int32_t>(std::clamp<std::int64_t>(divRoundHalfEven(sum, 6000), 0, kAmItemMax));
            if (pll)
                pllStep(e, x, ring);
            else
                ring.append(static_cast<std::uint16_t>(e));
        }
        h = h == 50 ? 0 : h + 1;
    }
    m_phaseE4 = phase;
    rs.h = h;
    rs.h2 = h2;
    rs.c = c;
    raisePeak(peak);
}

void SoundcardDemodulator::pllStep(std::int32_t envelope, std::int32_t x, SampleRing& ring)
{
    PllState& p = m_pll;
    p.heldEnvelope = envelope;
    float f = (p.error * p.gain + 1.0f) * p.f0;
    f = std::clamp(f, 2390.0f, 2410.0f);
    float rate = m_dataRate >= 1.0f ? m_dataRate : 7350.0f;
    p.phaseE4 += roundHalfEven(f * 256.0f / rate * 10000.0f);
    p.phaseE4 %= kPhaseTurnE4; // a low data rate may advance more than one turn
    auto t = static_cast<int>(p.phaseE4 / 10000);
    while (p.lastIndex != t) {
        p.lastIndex = (p.lastIndex + 1) & 255;
        if ((p.lastIndex & 63) == 0)
            ring.append(static_cast<std::uint16_t>(p.heldEnvelope));
    }
    std::int64_t ref = tables().pllSine[static_cast<std::size_t>(t)];

    auto ip = static_cast<std::size_t>(p.inputPos);
    p.input[ip] = p.input[ip + 31] = x;
    std::int64_t band = symmetricFir<31>(&p.input[ip + 1], kPllBandPass.data());
    p.inputPos = p.inputPos == 30 ? 0 : p.inputPos + 1;

    auto pp = static_cast<std::size_t>(p.productPos);
    p.product[pp] = p.product[pp + 31] = static_cast<std::int32_t>(divRoundHalfEven((band / 10000) * ref, 65536));
    std::int64_t loop = symmetricFir<31>(&p.product[pp + 1], kPllLowPass.data());
    p.productPos = p.productPos == 30 ? 0 : p.productPos + 1;

    std::int64_t u = -loop / 10000;
    p.error = static_cast<float>(u) / 60000.0f;
}

} // namespace tellur::signal
