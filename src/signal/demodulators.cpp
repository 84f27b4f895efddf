#include "signal/demodulators.h"

#include "core/numeric.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

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

// Symmetric FIR of odd length Taps over window[0] (oldest) .. window[Taps - 1] (newest) with
// Taps / 2 + 1 coefficients a, the last one the centre tap: pairs from the outside in.
template <int Taps>
inline std::int64_t symmetricFir(const std::int32_t* window, const std::int32_t* a)
{
    constexpr int half = Taps / 2;
    std::int64_t sum = 0;
    for (int k = 0; k < half; ++k)
        sum += std::int64_t(a[k]) * (std::int64_t(window[Taps - 1 - k]) + window[k]);
    return sum + std::int64_t(a[half]) * window[half];
}

struct FmFilters {
    const std::int32_t* first;
    const std::int32_t* second;
};

FmFilters fmFilters(DemodType t)
{
    switch (t) {
    case DemodType::Rtty85: return {kRtty85First.data(), kRttyNarrowSecond.data()};
    case DemodType::Rtty170: return {kRtty170First.data(), kRttyNarrowSecond.data()};
    case DemodType::Rtty450: return {kRtty450First.data(), kRttyNarrowSecond.data()};
    case DemodType::RttyNavtex: return {kNavtexFirst.data(), kRttyWideSecond.data()};
    case DemodType::Rtty850: return {kRtty850First.data(), kRttyWideSecond.data()};
    default: return {kFaxFirst.data(), kFaxSecond.data()};
    }
}

// The FM discriminator of every FM routine. The state lives in the routine; D is a template
// argument so that the division by it is a multiplication. level(v) receives each level 0..255.
template <int SecondTaps, std::int64_t D, typename Level>
void runFm(std::span<const std::int16_t> samples, const FmFilters& f, DemodControls& ctl, QuadratureFrontEnd& fe,
           std::int32_t* disc, int& h2, std::int64_t& ip, std::int64_t& qp, Level&& level)
{
    const Tables& tab = tables();
    std::int64_t peak = 0;
    std::int64_t phase = fe.phaseE4;
    int h = fe.h, c = fe.c;
    for (std::int16_t x : samples) {
        phase += ctl.oscillatorStep();
        if (phase >= kPhaseTurnE4)
            phase -= kPhaseTurnE4;
        auto k = static_cast<std::size_t>(phase / 10000);
        auto hp = static_cast<std::size_t>(h);
        fe.i[hp] = fe.i[hp + 51] = x * tab.cosE4[k] / 10000;
        fe.q[hp] = fe.q[hp + 51] = x * tab.sinE4[k] / 10000;
        c = c == 2 ? 0 : c + 1;
        if (c != 0) {
            std::int64_t fi = symmetricFir<51>(&fe.i[hp + 1], f.first);
            std::int64_t fq = symmetricFir<51>(&fe.q[hp + 1], f.first);
            double a = static_cast<double>(fi) / 10000.0;
            double b = static_cast<double>(fq) / 10000.0;
            std::int64_t m = roundHalfEven(std::sqrt(a * a + b * b) * 10000.0);
            peak = std::max(peak, m);
            if (m < 1)
                m = 1;
            std::int64_t n = roundHalfEven(1e10 / static_cast<double>(m));
            std::int64_t in = divRoundE4(fi * n);
            std::int64_t qn = divRoundE4(fq * n);
            std::int64_t d = divRoundE4(ip * qn) - divRoundE4(qp * in);
            ip = in;
            qp = qn;
            auto p2 = static_cast<std::size_t>(h2);
            disc[p2] = disc[p2 + SecondTaps] = static_cast<std::int32_t>(divRoundE4(d));
            std::int64_t s = symmetricFir<SecondTaps>(&disc[p2 + 1], f.second);
            h2 = h2 + 1 == SecondTaps ? 0 : h2 + 1;
            std::int64_t v = divRoundE4(divRoundHalfEven(-s * 10000, D) + 1280000);
            level(static_cast<int>(std::clamp<std::int64_t>(v, 0, 255)));
        }
        h = h == 50 ? 0 : h + 1;
    }
    fe.phaseE4 = phase;
    fe.h = h;
    fe.c = c;
    ctl.raisePeak(peak);
}

} // namespace

std::int64_t oscillatorStepE4(std::int64_t hz)
{
    return roundHalfEven(static_cast<double>(hz * 256) / 11025.0 * 10000.0);
}

// ---------------------------------------------------------------------------------------------

void DemodControls::setCenterFrequency(int hz)
{
    m_centerHz.store(std::clamp(hz, 0, 5000), std::memory_order_relaxed);
    recomputeStep();
}

void DemodControls::setAfc(bool on)
{
    m_afcOn.store(on, std::memory_order_relaxed);
    m_afcOffsetHz.store(0, std::memory_order_relaxed);
    m_afcSwitches.fetch_add(1, std::memory_order_relaxed);
    recomputeStep();
}

void DemodControls::setAfcOffset(int hz)
{
    m_afcOffsetHz.store(hz, std::memory_order_relaxed);
    recomputeStep();
}

void DemodControls::recomputeStep()
{
    std::int64_t hz = std::int64_t(m_centerHz.load(std::memory_order_relaxed)) +
                      m_afcOffsetHz.load(std::memory_order_relaxed);
    m_stepE4.store(oscillatorStepE4(std::max<std::int64_t>(hz, 0)), std::memory_order_relaxed);
}

void DemodControls::raisePeak(std::int64_t m)
{
    std::int64_t cur = m_audioPeak.load(std::memory_order_relaxed);
    while (m > cur && !m_audioPeak.compare_exchange_weak(cur, m, std::memory_order_relaxed)) {
    }
}

void DemodControls::clear()
{
    m_stepE4.store(0);
    m_centerHz.store(0);
    m_afcOffsetHz.store(0);
    m_afcOn.store(false);
    m_afcSwitches.store(0);
    m_invert.store(0);
    m_audioPeak.store(0);
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

void QuadratureFrontEnd::restart()
{
    phaseE4 = 0;
    i.fill(0);
    q.fill(0);
}

namespace {

void checkRates(const DemodulatorRates& rates)
{
    if (rates.sampleRate != kSoundcardRate)
        throw std::invalid_argument("sampleRate: the demodulators take " + std::to_string(kSoundcardRate) +
                                    " samples per second, not " + std::to_string(rates.sampleRate));
    if (!std::isfinite(rates.dataRate) || rates.dataRate < 1.0)
        throw std::invalid_argument("dataRate: " + std::to_string(rates.dataRate) +
                                    " is not a rate of at least 1 item per second");
}

} // namespace

Demodulator::Demodulator(DemodType type, const DemodulatorRates& rates) : m_row(demodRow(type))
{
    checkRates(rates);
    tables();
    m_ownControls.setCenterFrequency(m_row.centerHz);
}

void Demodulator::reset()
{
    resetState();
    if (m_controls == &m_ownControls) {
        m_ownControls.clear();
        m_ownControls.setCenterFrequency(m_row.centerHz);
    }
}

// ---------------------------------------------------------------------------------------------

FmDemodulator::FmDemodulator(DemodType type, const DemodulatorRates& rates) : Demodulator(type, rates)
{
    if (row().family != DemodFamily::Fm)
        throw std::invalid_argument("type: " + std::string(row().name) + " is no FM FAX or SSTV routine");
}

void FmDemodulator::process(std::span<const std::int16_t> samples, SampleRing& ring)
{
    auto append = [&ring](int v) { ring.append(static_cast<std::uint16_t>(v)); };
    const FmFilters f = fmFilters(type());
    if (type() == DemodType::FmFax)
        runFm<21, 500000>(samples, f, controls(), m_front, m_disc.data(), m_h2, m_ip, m_qp, append);
    else
        runFm<21, 420000>(samples, f, controls(), m_front, m_disc.data(), m_h2, m_ip, m_qp, append);
}

void FmDemodulator::restart()
{
    m_front.restart();
    m_disc.fill(0);
}

void FmDemodulator::resetState()
{
    m_front = {};
    m_disc.fill(0);
    m_h2 = 0;
    m_ip = m_qp = 0;
}

// ---------------------------------------------------------------------------------------------

RttyDemodulator::RttyDemodulator(DemodType type, const DemodulatorRates& rates) : Demodulator(type, rates)
{
    if (row().family != DemodFamily::Rtty)
        throw std::invalid_argument("type: " + std::string(row().name) + " is no RTTY routine");
}

void RttyDemodulator::process(std::span<const std::int16_t> samples, SampleRing& ring)
{
    DemodControls& ctl = controls();
    auto decide = [&](int v) {
        const unsigned switches = ctl.afcSwitches();
        if (switches != m_afcSwitchesSeen) {
            m_afcSwitchesSeen = switches;
            m_backEnd.resetAfcBalance();
        }
        int afcHz = ctl.afcOffsetHz();
        auto r = m_backEnd.step(v, m_slicer, ctl.afc(), ctl.invertByte(), afcHz, *m_histogram);
        if (r.afcChanged)
            ctl.setAfcOffset(afcHz);
        ring.append(r.item);
    };
    const FmFilters f = fmFilters(type());
    switch (type()) {
    case DemodType::Rtty85: runFm<51, 60000>(samples, f, ctl, m_front, m_disc.data(), m_h2, m_ip, m_qp, decide); break;
    case DemodType::Rtty450: runFm<51, 300000>(samples, f, ctl, m_front, m_disc.data(), m_h2, m_ip, m_qp, decide); break;
    case DemodType::Rtty850: runFm<51, 600000>(samples, f, ctl, m_front, m_disc.data(), m_h2, m_ip, m_qp, decide); break;
    default: runFm<51, 125000>(samples, f, ctl, m_front, m_disc.data(), m_h2, m_ip, m_qp, decide); break;
    }
}

void RttyDemodulator::restart()
{
    m_front.restart();
    m_disc.fill(0);
    m_backEnd.clearHistory();
    m_histogram->counts.fill(0);
    m_histogram->windowStart = 0;
    m_histogram->windowLength = 0;
}

void RttyDemodulator::resetState()
{
    m_front = {};
    m_disc.fill(0);
    m_h2 = 0;
    m_ip = m_qp = 0;
    m_slicer = 0;
    m_afcSwitchesSeen = controls().afcSwitches();
    m_backEnd.clearAll();
    m_ownHistogram = LevelHistogram{};
}

// ---------------------------------------------------------------------------------------------

AmDemodulator::AmDemodulator(DemodType type, const DemodulatorRates& rates) : Demodulator(type, rates)
{
    if (row().family != DemodFamily::Am && row().family != DemodFamily::AmPll)
        throw std::invalid_argument("type: " + std::string(row().name) + " is no AM routine");
}

template <typename Emit>
void AmDemodulator::runEnvelope(std::span<const std::int16_t> samples, Emit&& emit)
{
    const Tables& tab = tables();
    DemodControls& ctl = controls();
    QuadratureFrontEnd& fe = m_front;
    std::int64_t peak = 0;
    std::int64_t phase = fe.phaseE4;
    int h = fe.h, h2 = m_h2, c = fe.c;

    for (std::int16_t x : samples) {
        phase += ctl.oscillatorStep();
        if (phase >= kPhaseTurnE4)
            phase -= kPhaseTurnE4;
        auto k = static_cast<std::size_t>(phase / 10000);
        auto hp = static_cast<std::size_t>(h);
        fe.i[hp] = fe.i[hp + 51] = x * tab.cosE4[k] / 10000;
        fe.q[hp] = fe.q[hp + 51] = x * tab.sinE4[k] / 10000;
        c = c == 2 ? 0 : c + 1;
        if (c != 0) {
            std::int64_t fi = symmetricFir<51>(&fe.i[hp + 1], kAmFirst.data()) / 10000;
            std::int64_t fq = symmetricFir<51>(&fe.q[hp + 1], kAmFirst.data()) / 10000;
            std::int64_t m = roundHalfEven(std::sqrt(static_cast<double>(fi * fi + fq * fq)) * 10000.0);
            peak = std::max(peak, m);
            auto p2 = static_cast<std::size_t>(h2);
            m_env[p2] = m_env[p2 + 41] = static_cast<std::int32_t>(divRoundE4(m));
            std::int64_t sum = symmetricFir<41>(&m_env[p2 + 1], kAmEnvelope.data());
            h2 = h2 == 40 ? 0 : h2 + 1;
            emit(static_cast<std::int32_t>(std::clamp<std::int64_t>(divRoundHalfEven(sum, 6000), 0, kAmItemMax)), x);
        }
        h = h == 50 ? 0 : h + 1;
    }
    fe.phaseE4 = phase;
    fe.h = h;
    fe.c = c;
    m_h2 = h2;
    ctl.raisePeak(peak);
}

void AmDemodulator::process(std::span<const std::int16_t> samples, SampleRing& ring)
{
    runEnvelope(samples,
                [&ring](std::int32_t envelope, std::int32_t) { ring.append(static_cast<std::uint16_t>(envelope)); });
}

void AmDemodulator::restart()
{
    m_front.restart();
    m_env.fill(0);
}

void AmDemodulator::resetState()
{
    m_front = {};
    m_env.fill(0);
    m_h2 = 0;
}

// ---------------------------------------------------------------------------------------------

AmPllDemodulator::AmPllDemodulator(const DemodulatorRates& rates)
    : AmDemodulator(DemodType::AmPllFax, rates), m_builtDataRate(static_cast<float>(rates.dataRate)),
      m_dataRate(m_builtDataRate)
{
}

void AmPllDemodulator::setDataRate(double itemsPerSecond)
{
    DemodulatorRates checked;
    checked.dataRate = itemsPerSecond;
    checkRates(checked);
    m_dataRate = static_cast<float>(itemsPerSecond);
}

void AmPllDemodulator::resetState()
{
    AmDemodulator::resetState();
    m_pll = Pll{};
    m_dataRate = m_builtDataRate;
}

void AmPllDemodulator::process(std::span<const std::int16_t> samples, SampleRing& ring)
{
    runEnvelope(samples, [&](std::int32_t envelope, std::int32_t x) { pllStep(envelope, x, ring); });
}

void AmPllDemodulator::pllStep(std::int32_t envelope, std::int32_t x, SampleRing& ring)
{
    Pll& p = m_pll;
    p.heldEnvelope = envelope;
    float f = (p.error * p.gain + 1.0f) * p.f0;
    f = std::clamp(f, 2390.0f, 2410.0f);
    p.phaseE4 += roundHalfEven(f * 256.0f / m_dataRate * 10000.0f);
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

// ---------------------------------------------------------------------------------------------

std::unique_ptr<Demodulator> makeDemodulator(DemodType type, const DemodulatorRates& rates)
{
    switch (demodRow(type).family) {
    case DemodFamily::Fm: return std::make_unique<FmDemodulator>(type, rates);
    case DemodFamily::Am: return std::make_unique<AmDemodulator>(rates);
    case DemodFamily::AmPll: return std::make_unique<AmPllDemodulator>(rates);
    case DemodFamily::Rtty: return std::make_unique<RttyDemodulator>(type, rates);
    case DemodFamily::ToneOutput: break;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------

Demodulator& SoundcardDemodulator::routine(DemodType type)
{
    auto& slot = m_routines[static_cast<std::size_t>(type)];
    if (!slot) {
        DemodulatorRates rates;
        rates.dataRate = m_dataRate;
        slot = makeDemodulator(type, rates);
        slot->attachControls(&m_controls);
        if (auto* rtty = dynamic_cast<RttyDemodulator*>(slot.get()))
            rtty->attachLevelHistogram(m_histogram);
    }
    return *slot;
}

bool SoundcardDemodulator::select(std::string_view name)
{
    const DemodRow* row = name.empty() ? nullptr : findDemod(name);
    if (!name.empty() && !row)
        return false;
    // The shared level histogram is cleared by every selection, whichever routine follows.
    m_histogram->counts.fill(0);
    m_histogram->windowStart = 0;
    m_histogram->windowLength = 0;
    m_selected = row;
    m_receiver = nullptr;
    if (!row || !row->receives())
        return true;
    m_receiver = &routine(row->type);
    m_receiver->restart();
    m_controls.setCenterFrequency(row->centerHz);
    return true;
}

std::optional<DemodType> SoundcardDemodulator::current() const
{
    return m_selected ? std::optional(m_selected->type) : std::nullopt;
}

void SoundcardDemodulator::process(std::span<const std::int16_t> samples, SampleRing& ring)
{
    if (m_receiver)
        m_receiver->process(samples, ring);
}

void SoundcardDemodulator::setDataRate(double itemsPerSecond)
{
    m_dataRate = std::isfinite(itemsPerSecond) && itemsPerSecond >= 1.0 ? itemsPerSecond : kDefaultDataRate;
    if (auto& pll = m_routines[static_cast<std::size_t>(DemodType::AmPllFax)])
        static_cast<AmPllDemodulator&>(*pll).setDataRate(m_dataRate);
}

void SoundcardDemodulator::attachLevelHistogram(LevelHistogram* h)
{
    m_histogram = h ? h : &m_ownHistogram;
    for (auto& r : m_routines)
        if (auto* rtty = dynamic_cast<RttyDemodulator*>(r.get()))
            rtty->attachLevelHistogram(m_histogram);
}

void SoundcardDemodulator::restartLevelStatistics(double itemsPerSecond)
{
    if (auto* rtty = dynamic_cast<RttyDemodulator*>(m_receiver))
        rtty->restartLevelStatistics(itemsPerSecond);
}

void SoundcardDemodulator::reset()
{
    for (auto& r : m_routines)
        r.reset();
    m_selected = nullptr;
    m_receiver = nullptr;
    m_controls.clear();
    m_dataRate = kDefaultDataRate;
    m_ownHistogram = LevelHistogram{};
}

} // namespace tellur::signal
