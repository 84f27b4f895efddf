// The soundcard demodulators: fixed-point quadrature demodulators that turn 11025 S/s 16-bit
// mono audio into sample-ring items (FM FAX, SSTV, AM FAX with or without the carrier PLL, and
// the five RTTY variants with their AFC, slicer and level statistics).
//
// Threads: process() runs on the one ring writer (audio buffer thread, wave playback thread or
// the CLI loop). The controls (centre frequency, invert, AFC, audio peak, AFC offset) are atomics
// that the GUI thread may touch while process() runs; a change takes effect from the next
// sample. select(), reset(), setDataRate() and restartLevelStatistics() need the writer stopped.
#pragma once

#include "core/sample_ring.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tellur::signal {

inline constexpr int kSoundcardRate = 11025;      // samples per second in and out
inline constexpr int kCaptureBlockSamples = 512;  // one capture block (1024 bytes)
inline constexpr int kTuningHistorySize = 15000;  // RTTY tuning history entries
inline constexpr std::int64_t kPhaseTurnE4 = 2560000; // one oscillator turn: 256 table steps x 10000
inline constexpr int kAfcLimitHz = 250;
inline constexpr std::uint16_t kAmItemMax = 16300;

enum class Demod : std::uint8_t {
    None,
    FmFax,
    AmFax,
    AmPllFax,
    Sstv,
    Rtty85,
    Rtty170,
    Rtty450,
    RttyNavtex,
    Rtty850,
    SstvTx, // the transmit tone generator instead of capture
};

// Name <-> routine, for the names the mode switch and the CLI use ("FMFAX", ..., "SSTVTX").
std::optional<Demod> demodFromName(std::string_view name);
std::string_view demodName(Demod d);
// The nine receive routine names, in operating-mode order.
inline constexpr std::array<std::string_view, 9> kReceiveDemodNames = {
    "FMFAX", "AMFAX", "AMPLLFAX", "SSTV", "RTTY_85", "RTTY_170", "RTTY_450", "RTTY_NAVTEX", "RTTY_850"};

// The oscillator step for a frequency: round((hz * 256) / 11025 * 10000), hz * 256 an integer.
std::int64_t oscillatorStepE4(std::int64_t hz);

// RTTY back end after the discriminator: tuning history with the level histogram, AFC balance,
// hysteresis slicer and invert. Owned by the demodulator; public so its decisions can be checked
// level by level.
class RttyBackEnd {
public:
    struct Result {
        std::uint8_t item;   // invert XOR slicer state: 0 or 255
        bool afcChanged;     // the AFC offset moved by 5 Hz
    };

    // One discriminator level v (0..255). slicer is the routine's slicer state (0 or 255). AFC
    // runs only when afcOn; afcOffsetHz is updated in place.
    Result step(int v, std::uint8_t& slicer, bool afcOn, std::uint8_t invert, int& afcOffsetHz,
                LevelHistogram& histogram);

    // Half a second of items counted from here: window length round(rate / 2), window start
    // 15000 - length, write position 0, histogram cleared with bin 0 holding the length.
    void restartLevelStatistics(double itemsPerSecond, LevelHistogram& histogram);
    void clearHistory();

    int afcBalance() const { return m_afcBalance; }
    void resetAfcBalance() { m_afcBalance = 0; }
    void clearAll() { clearHistory(); m_afcBalance = 0; }
    const std::array<std::uint16_t, kTuningHistorySize>& tuningHistory() const { return m_history; }
    int writePosition() const { return m_writePos; }

private:
    std::array<std::uint16_t, kTuningHistorySize> m_history{};
    int m_writePos = 0;
    int m_afcBalance = 0;
};

class SoundcardDemodulator {
public:
    SoundcardDemodulator();

    // Starts capture with a routine: clears the shared histories, the tuning history and the
    // level histogram, rebuilds the tables, resets the oscillator phase and sets the routine's
    // centre frequency (FMFAX 1900, AM 2400, SSTV 1700, RTTY 1400). "SSTVTX" and "" select no
    // receive routine. An unknown name keeps the previous routine and returns false.
    bool select(std::string_view name);
    Demod current() const { return m_demod; }
    bool receiving() const { return m_demod != Demod::None && m_demod != Demod::SstvTx; }
    // AM routines emit 14-bit envelope items (0..16300) instead of 8-bit levels.
    bool fourteenBitItems() const { return m_demod == Demod::AmFax || m_demod == Demod::AmPllFax; }

    // Any block length; the output depends only on the samples, not on how they are split.
    void process(std::span<const std::int16_t> samples, SampleRing& ring);

    // Largest filtered magnitude (x10000) since the last call; reading clears it.
    std::int64_t takeAudioPeak() { return m_audioPeak.exchange(0, std::memory_order_relaxed); }

    void setCenterFrequency(int hz);
    int centerFrequency() const { return m_centerHz.load(std::memory_order_relaxed); }
    // RTTY reverse: the invert byte is 255 when on, 0 when off.
    void setInvert(bool on) { m_invert.store(on ? 255 : 0, std::memory_order_relaxed); }
    bool invert() const { return m_invert.load(std::memory_order_relaxed) != 0; }
    // Switching AFC either way resets the offset and the balance.
    void setAfc(bool on);
    bool afc() const { return m_afcOn.load(std::memory_order_relaxed); }
    // The AFC offset A in Hz (-250..+250, steps of 5); the RTTY window shows it in AFCLabel.
    int afcOffsetHz() const { return m_afcOffsetHz.load(std::memory_order_relaxed); }
    std::int64_t oscillatorStep() const { return m_stepE4.load(std::memory_order_relaxed); }

    // Items per second the PLL samples against (the configured data rate, 7350 by default).
    void setDataRate(double itemsPerSecond) { m_dataRate = static_cast<float>(itemsPerSecond); }

    // The RTTY routines keep the level histogram over their tuning history. By default the
    // demodulator's own histogram; the application may point it at the station's shared one.
    void attachLevelHistogram(LevelHistogram* h) { m_histogram = h ? h : &m_ownHistogram; }
    LevelHistogram& levelHistogram() { return *m_histogram; }
    const LevelHistogram& levelHistogram() const { return *m_histogram; }
    // Called by the RTTY window when the RTTY mode changes.
    void restartLevelStatistics(double itemsPerSecond);
    const RttyBackEnd& rttyBackEnd() const { return m_rtty; }

    // Equals a freshly constructed object (the attached histogram stays attached).
    void reset();

private:
    // Per-routine state, kept for each routine separately and never reset by a restart.
    struct RoutineState {
        int h = 0;   // position in the I/Q histories (0..50)
        int h2 = 0;  // position in the second-filter history
        int c = 0;   // decimation counter
        std::int64_t ip = 0, qp = 0; // previous normalised I and Q
        std::uint8_t slicer = 0;
    };
    static constexpr int kRoutines = 8; // FM FAX, AM (both), SSTV, five RTTY

    struct PllState {
        float f0 = 2400.0f;
        float gain = 1.0f;
        float error = 0.0f;
        std::int64_t phaseE4 = 0;
        int lastIndex = 0;
        std::int32_t heldEnvelope = 0;
        std::array<std::int32_t, 62> input{};   // doubled 31-entry histories
        std::array<std::int32_t, 62> product{};
        int inputPos = 0;
        int productPos = 0;
    };

    template <Demod Kind> void runFm(std::span<const std::int16_t> samples, SampleRing& ring);
    void runAm(std::span<const std::int16_t> samples, SampleRing& ring, bool pll);
    void pllStep(std::int32_t envelope, std::int32_t x, SampleRing& ring);
    void recomputeStep();
    static int routineIndex(Demod d);
    void raisePeak(std::int64_t m);

    Demod m_demod = Demod::None;
    std::array<RoutineState, kRoutines> m_routines{};

    // Shared state. Histories are stored twice over (position p and p + N) so that every filter
    // window is contiguous.
    std::int64_t m_phaseE4 = 0;
    std::array<std::int32_t, 102> m_iHist{};
    std::array<std::int32_t, 102> m_qHist{};
    std::array<std::int32_t, 102> m_dHist{};
    PllState m_pll;
    float m_dataRate = 7350.0f;

    std::atomic<std::int64_t> m_stepE4{0};
    std::atomic<int> m_centerHz{0};
    std::atomic<int> m_afcOffsetHz{0};
    std::atomic<bool> m_afcOn{false};
    std::atomic<std::uint8_t> m_invert{0};
    std::atomic<std::int64_t> m_audioPeak{0};

    RttyBackEnd m_rtty;
    LevelHistogram m_ownHistogram;
    LevelHistogram* m_histogram = &m_ownHistogram;
};

} // namespace tellur::signal
