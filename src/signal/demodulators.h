// The soundcard demodulators: fixed-point quadrature demodulators that turn 11025 S/s 16-bit
// mono audio into sample-ring items. One class per routine, chosen by the type of its row in
// core/demodulator_table.h: FmDemodulator (FM FAX, SSTV), AmDemodulator, AmPllDemodulator and
// RttyDemodulator (the FM discriminator followed by the RTTY back end). SoundcardDemodulator is
// the soundcard's selection among them.
//
// Threads: process() runs on the one ring writer (audio buffer thread, wave playback thread or
// the CLI loop). The controls (centre frequency, invert, AFC, audio peak, AFC offset) are atomics
// that the GUI thread may touch while process() runs; a change takes effect from the next
// sample. Everything else (select(), restart(), reset(), setDataRate(), restartLevelStatistics())
// needs the writer stopped.
#pragma once

#include "core/demodulator_table.h"
#include "core/sample_ring.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
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
inline constexpr double kDefaultDataRate = 7350.0;

// The oscillator step for a frequency: round((hz * 256) / 11025 * 10000), hz * 256 an integer.
std::int64_t oscillatorStepE4(std::int64_t hz);

// What a demodulator is built for. The filters are designed for 11025 S/s, so no other input
// rate is accepted; the data rate is what the AM PLL samples against.
struct DemodulatorRates {
    int sampleRate = kSoundcardRate;
    double dataRate = kDefaultDataRate; // items per second, at least 1
};

// The controls of the running routine, shared by every routine of a soundcard so that a new
// selection keeps them (the centre frequency is set by the selection).
class DemodControls {
public:
    // Bounded to 0..5000 Hz so the oscillator step stays within one turn per sample.
    void setCenterFrequency(int hz);
    int centerFrequency() const { return m_centerHz.load(std::memory_order_relaxed); }
    // RTTY reverse: the invert byte is 255 when on, 0 when off.
    void setInvert(bool on) { m_invert.store(on ? 255 : 0, std::memory_order_relaxed); }
    bool invert() const { return invertByte() != 0; }
    std::uint8_t invertByte() const { return m_invert.load(std::memory_order_relaxed); }
    // Switching AFC either way resets the offset and (through afcSwitches) the RTTY balance.
    void setAfc(bool on);
    bool afc() const { return m_afcOn.load(std::memory_order_relaxed); }
    unsigned afcSwitches() const { return m_afcSwitches.load(std::memory_order_relaxed); }
    // The AFC offset A in Hz (-250..+250, steps of 5); moved by the RTTY routine.
    int afcOffsetHz() const { return m_afcOffsetHz.load(std::memory_order_relaxed); }
    void setAfcOffset(int hz);
    std::int64_t oscillatorStep() const { return m_stepE4.load(std::memory_order_relaxed); }

    // Largest filtered magnitude (x10000) since the last call; reading clears it.
    std::int64_t takeAudioPeak() { return m_audioPeak.exchange(0, std::memory_order_relaxed); }
    void raisePeak(std::int64_t m);

    // As constructed.
    void clear();

private:
    void recomputeStep();

    std::atomic<std::int64_t> m_stepE4{0};
    std::atomic<int> m_centerHz{0};
    std::atomic<int> m_afcOffsetHz{0};
    std::atomic<bool> m_afcOn{false};
    std::atomic<unsigned> m_afcSwitches{0};
    std::atomic<std::uint8_t> m_invert{0};
    std::atomic<std::int64_t> m_audioPeak{0};
};

// RTTY back end after the discriminator: tuning history with the level histogram, AFC balance,
// hysteresis slicer and invert. Owned by the RTTY routine; public so its decisions can be
// checked level by level.
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

// Oscillator, mixer and the first filter's I/Q histories of every routine. Histories are stored
// twice over (position p and p + 51) so that every filter window is contiguous.
struct QuadratureFrontEnd {
    std::int64_t phaseE4 = 0;
    std::array<std::int32_t, 102> i{};
    std::array<std::int32_t, 102> q{};
    int h = 0; // newest position (0..50)
    int c = 0; // decimation counter
    void restart();
};

// One routine. Its counters (decimation, history positions, previous I/Q, slicer, PLL) belong
// to it alone and survive restart(); the histories and the oscillator phase start over.
class Demodulator {
public:
    virtual ~Demodulator() = default;
    Demodulator(const Demodulator&) = delete;
    Demodulator& operator=(const Demodulator&) = delete;

    const DemodRow& row() const { return m_row; }
    DemodType type() const { return m_row.type; }

    // Any block length; the output depends only on the samples, not on how they are split.
    virtual void process(std::span<const std::int16_t> samples, SampleRing& ring) = 0;
    // What a selection does: clears the histories and the oscillator phase.
    virtual void restart() = 0;
    // Equals a freshly constructed object (attached controls stay attached, unchanged).
    void reset();

    // By default the routine's own controls; a soundcard points every routine at its one set.
    void attachControls(DemodControls* c) { m_controls = c ? c : &m_ownControls; }
    DemodControls& controls() { return *m_controls; }
    const DemodControls& controls() const { return *m_controls; }

protected:
    // Throws std::invalid_argument naming the field ("sampleRate", "dataRate") of a bad rate.
    Demodulator(DemodType type, const DemodulatorRates& rates);
    virtual void resetState() = 0;

private:
    const DemodRow& m_row;
    DemodControls m_ownControls;
    DemodControls* m_controls = &m_ownControls;
};

// "FMFAX" and "SSTV": discriminator levels 0..255 around 128 at the centre frequency.
class FmDemodulator final : public Demodulator {
public:
    explicit FmDemodulator(DemodType type, const DemodulatorRates& rates = {});
    void process(std::span<const std::int16_t> samples, SampleRing& ring) override;
    void restart() override;

private:
    void resetState() override;

    QuadratureFrontEnd m_front;
    std::array<std::int32_t, 42> m_disc{}; // 21-entry second-filter history, doubled
    int m_h2 = 0;
    std::int64_t m_ip = 0, m_qp = 0; // previous normalised I and Q
};

// The five RTTY routines: the FM discriminator with the wide second filter, then the back end;
// items are 0/255 decisions.
class RttyDemodulator final : public Demodulator {
public:
    explicit RttyDemodulator(DemodType type, const DemodulatorRates& rates = {});
    void process(std::span<const std::int16_t> samples, SampleRing& ring) override;
    // Also clears the tuning history and the level histogram.
    void restart() override;

    // The level histogram over the tuning history: the routine's own, or one the application
    // shares with its windows.
    void attachLevelHistogram(LevelHistogram* h) { m_histogram = h ? h : &m_ownHistogram; }
    LevelHistogram& levelHistogram() { return *m_histogram; }
    const LevelHistogram& levelHistogram() const { return *m_histogram; }
    // Called by the RTTY window when the RTTY mode changes.
    void restartLevelStatistics(double itemsPerSecond) { m_backEnd.restartLevelStatistics(itemsPerSecond, *m_histogram); }
    const RttyBackEnd& backEnd() const { return m_backEnd; }

private:
    void resetState() override;

    QuadratureFrontEnd m_front;
    std::array<std::int32_t, 102> m_disc{}; // 51-entry second-filter history, doubled
    int m_h2 = 0;
    std::int64_t m_ip = 0, m_qp = 0;
    std::uint8_t m_slicer = 0;
    unsigned m_afcSwitchesSeen = 0;
    RttyBackEnd m_backEnd;
    LevelHistogram m_ownHistogram;
    LevelHistogram* m_histogram = &m_ownHistogram;
};

// "AMFAX": the envelope as 14-bit items (0..16300) at 7350 per second.
class AmDemodulator : public Demodulator {
public:
    explicit AmDemodulator(const DemodulatorRates& rates = {}) : AmDemodulator(DemodType::AmFax, rates) {}
    void process(std::span<const std::int16_t> samples, SampleRing& ring) override;
    void restart() override;

protected:
    AmDemodulator(DemodType type, const DemodulatorRates& rates);
    void resetState() override;
    // Calls emit(E, x) with each envelope value E and the raw input sample x it belongs to.
    template <typename Emit> void runEnvelope(std::span<const std::int16_t> samples, Emit&& emit);

private:
    QuadratureFrontEnd m_front;
    std::array<std::int32_t, 82> m_env{}; // 41-entry envelope history, doubled
    int m_h2 = 0;
};

// "AMPLLFAX": the AM envelope sampled four times per carrier cycle of a PLL locked to the
// 2400 Hz carrier.
class AmPllDemodulator final : public AmDemodulator {
public:
    explicit AmPllDemodulator(const DemodulatorRates& rates = {});
    // Refused like a bad rate at construction.
    void setDataRate(double itemsPerSecond);
    void process(std::span<const std::int16_t> samples, SampleRing& ring) override;

private:
    void resetState() override;
    void pllStep(std::int32_t envelope, std::int32_t x, SampleRing& ring);

    struct Pll {
        float f0 = 2400.0f;
        float gain = 1.0f;
        float error = 0.0f;
        std::int64_t phaseE4 = 0;
        int lastIndex = 0;
        std::int32_t heldEnvelope = 0;
        std::array<std::int32_t, 62> input{}; // doubled 31-entry histories
        std::array<std::int32_t, 62> product{};
        int inputPos = 0;
        int productPos = 0;
    };
    Pll m_pll;
    float m_builtDataRate;
    float m_dataRate;
};

// The class of a receive routine, built for rates (which it checks); nullptr for "SSTVTX".
std::unique_ptr<Demodulator> makeDemodulator(DemodType type, const DemodulatorRates& rates = {});

// The soundcard's choice of routine. Each routine is built on its first selection and keeps its
// own counters from then on; the controls and the level histogram are shared by all of them.
class SoundcardDemodulator {
public:
    // Starts capture with a routine: restarts it (histories, tuning history, level histogram,
    // oscillator phase) and sets its centre frequency. "SSTVTX" and "" select no receive
    // routine. An unknown name keeps the previous routine and returns false.
    bool select(std::string_view name);
    std::optional<DemodType> current() const;
    bool receiving() const { return m_receiver != nullptr; }
    // AM routines emit 14-bit envelope items (0..16300) instead of 8-bit levels.
    bool fourteenBitItems() const { return m_selected && m_selected->fourteenBit; }

    void process(std::span<const std::int16_t> samples, SampleRing& ring);

    DemodControls& controls() { return m_controls; }
    std::int64_t takeAudioPeak() { return m_controls.takeAudioPeak(); }
    void setCenterFrequency(int hz) { m_controls.setCenterFrequency(hz); }
    int centerFrequency() const { return m_controls.centerFrequency(); }
    void setInvert(bool on) { m_controls.setInvert(on); }
    bool invert() const { return m_controls.invert(); }
    void setAfc(bool on) { m_controls.setAfc(on); }
    bool afc() const { return m_controls.afc(); }
    int afcOffsetHz() const { return m_controls.afcOffsetHz(); }
    std::int64_t oscillatorStep() const { return m_controls.oscillatorStep(); }

    // Items per second the PLL samples against; below 1 (an unset configuration) it is 7350.
    void setDataRate(double itemsPerSecond);

    void attachLevelHistogram(LevelHistogram* h);
    LevelHistogram& levelHistogram() { return *m_histogram; }
    const LevelHistogram& levelHistogram() const { return *m_histogram; }
    // The selected RTTY routine's level statistics (the RTTY window's mode change).
    void restartLevelStatistics(double itemsPerSecond);

    // Equals a freshly constructed object (the attached histogram stays attached).
    void reset();

private:
    Demodulator& routine(DemodType type);

    std::array<std::unique_ptr<Demodulator>, kDemodTable.size()> m_routines;
    const DemodRow* m_selected = nullptr;
    Demodulator* m_receiver = nullptr; // the selected receive routine
    DemodControls m_controls;
    double m_dataRate = kDefaultDataRate;
    LevelHistogram m_ownHistogram;
    LevelHistogram* m_histogram = &m_ownHistogram;
};

} // namespace tellur::signal
