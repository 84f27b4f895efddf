// Soundcard transmit path: the tone generator that turns tone codes into 11025 S/s 16-bit samples,
// and the output player that queues them on an audio output device in 4096-byte chunks and
// keeps account of what is still to be played.
//
// Threads: the generator belongs to the transmitter thread (appendCodes/appendTone/write). The
// player is shared with the device's notification thread (played/closed); its bookkeeping is
// under one mutex, and queuedMs() is an atomic that any thread may read.
#pragma once

#include "core/event_log.h"
#include "signal/code_sink.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tellur::signal {

// The player's two failures; the transmitter threads ignore them and go on with the next codes.
class ToneOutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
inline constexpr const char* kNoOutputDeviceText = "Soundcard: no output device opened";
inline constexpr const char* kNoMoreBuffersText = "Soundcard: No more Buffers!";

// Where the generator hands its one-second blocks: the output player, or a file/vector sink.
class ToneBlockSink {
public:
    virtual ~ToneBlockSink() = default;
    // May throw ToneOutputError.
    virtual void writeBlock(std::span<const std::int16_t> samples, int durationMs) = 0;
    // Start playback if nothing plays yet (a no-op for sinks that do not play).
    virtual void startPlaying() {}
    // Milliseconds written and not yet played.
    virtual int queuedMs() const { return 0; }
};

// Collects every sample; for encoding into files and for tests.
class VectorToneSink final : public ToneBlockSink {
public:
    void writeBlock(std::span<const std::int16_t> s, int durationMs) override
    {
        samples.insert(samples.end(), s.begin(), s.end());
        blockDurationsMs.push_back(durationMs);
    }
    std::vector<std::int16_t> samples;
    std::vector<int> blockDurationsMs;
};

class ToneGenerator final : public CodeSink {
public:
    static constexpr int kBlockSamples = 11025; // one second
    static constexpr int kMaxQueuedMs = 5000;

    explicit ToneGenerator(ToneBlockSink& sink);

    // Fresh output: fractional step counter, phase, step and fill count reset, pending sample 100.
    void start();
    // Samples for each code (1.5 per code on average, lagging their code by one sample).
    void appendCodes(std::span<const std::uint8_t> codes);
    // A constant tone of exactly hz for the given time.
    void appendTone(double hz, double seconds);
    // Hands a partly filled block on (its duration in proportion), so the end of a transmission
    // is not left behind in the buffer. Returns the number of samples handed on.
    int flush();

    int queuedMs() const { return m_sink.queuedMs(); }
    // round((5000 - queued ms) / 1000 * 11025): samples that may still be appended while at
    // most five seconds stay queued.
    std::int64_t freeRoomSamples() const;
    int pendingSamples() const { return m_fill; }

    // CodeSink for the transmitters: freeRoom() is the free room in samples above (at least 0);
    // the transmitters' pacing compares it with 1000. write() never throws: a player failure is
    // counted and the codes are dropped, as the transmitter would do on the exception.
    std::size_t freeRoom() const override;
    void write(std::span<const std::uint8_t> codes) override;
    int outputErrors() const { return m_errors; }
    const std::string& lastError() const { return m_lastError; }

    // The code tables: D[c] oscillator step per code (D[0] = 0), W[j] output sine.
    static const std::array<std::int64_t, 256>& stepTable();
    static const std::array<std::int16_t, 256>& sineTable();
    // Frequency of code c (1..255): round(1000 + 1400 c / 255); 0 for code 0 (silence).
    static int codeFrequencyHz(std::uint8_t c);
    // The soundcard code of a frequency: round((hz - 1000) / 1400 * 255), clamped to 0..255.
    static std::uint8_t codeForFrequency(double hz);

private:
    void emitSample(bool silentOnZeroStep);

    ToneBlockSink& m_sink;
    std::int64_t m_phaseE4 = 0;
    std::int64_t m_stepE4 = 0;
    std::int16_t m_pending = 100;
    double m_r = 0.0;
    std::vector<std::int16_t> m_block;
    int m_fill = 0;
    int m_errors = 0;
    std::string m_lastError;
};

// The platform's audio output, as the player needs it. Each call returns "" on success, else the
// system's error text. After write() the device calls TonePlayer::played(header) once that chunk
// has been played, from its own thread. write() only queues: it must neither block nor report
// from inside the call (the player holds its lock); open/reset/close run without the lock.
class AudioOutputDevice {
public:
    virtual ~AudioOutputDevice() = default;
    virtual std::string open() = 0;
    virtual std::string write(int header, std::span<const std::int16_t> samples) = 0;
    virtual std::string reset() = 0;
    virtual std::string close() = 0;
};

class TonePlayer final : public ToneBlockSink {
public:
    static constexpr int kChunkBytes = 4096;
    static constexpr int kMaxHeaders = 998;
    static constexpr int kStartHeaders = 989; // more than this many before start: start anyway

    enum State { Closed = 0, Idle = 1, Playing = 2 };

    TonePlayer(AudioOutputDevice& device, EventLog& log);
    ~TonePlayer() override;

    // Opens the device; a failure is logged and leaves the player closed.
    void open();
    void writeBlock(std::span<const std::int16_t> samples, int durationMs) override;
    void startPlaying() override;
    int queuedMs() const override { return m_queuedMs.load(std::memory_order_acquire); }

    // Waits (unless aborting) until everything has played or the device closed, then resets
    // and closes the device. maxWait bounds the wait for a device that stops reporting.
    void stop(bool abort, std::chrono::milliseconds maxWait = std::chrono::milliseconds(10000));

    // Device notifications.
    void played(int header);
    void closed();

    State state() const;
    int headerCount() const;
    bool startPending() const;

private:
    struct Header {
        std::vector<std::int16_t> data;
        int durationMs = 0;
        bool inUse = false;
    };
    void logFailure(const std::string& result, const char* step);
    void markClosedLocked();
    void closeAfterFailure(); // without m_mutex: a device may wait for its notification thread

    AudioOutputDevice& m_device;
    EventLog& m_log;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Header> m_headers;
    std::atomic<int> m_queuedMs{0};
    State m_state = Closed;
    bool m_started = false;      // playback has begun (chunks now go straight to the device)
    bool m_startPending = false; // set at open, cleared at the first start
    int m_outstanding = 0;       // chunks written to the device and not yet played
};

} // namespace tellur::signal
