// The sample ring: the stream of demodulated items from the one writer thread (audio buffer
// thread, serial reader or wave playback) to the one reader (the open receive window's tick,
// or the command-line decoder's loop). No locks: the writer stores the item, then publishes the
// new write index with a release store; the reader works up to an acquire snapshot.
#pragma once

#include "core/numeric.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

namespace tellur {

// 256 counters over the most recent items, maintained by whichever side owns them at the time
// (the FAX/SSTV reader, or the soundcard RTTY demodulator over its tuning history).
struct LevelHistogram {
    std::array<std::int32_t, 256> counts{};
    std::int32_t windowStart = 0;  // oldest index still counted
    std::int32_t windowLength = 0; // number of items counted

    // Bin of an item: the high bits of a 14-bit item, else the even 8-bit bin.
    static constexpr int bin(std::uint16_t item, bool fourteenBit)
    {
        return fourteenBit ? (item >> 6) & 0xFF : item & 0xFE;
    }
};

class SampleRing {
public:
    SampleRing() { items_.fill(0); }

    // Writer side: store, then publish.
    void append(std::uint16_t item)
    {
        std::int32_t w = writeIndex_.load(std::memory_order_relaxed);
        items_[static_cast<std::size_t>(w)] = item;
        writeIndex_.store(ringNext(w), std::memory_order_release);
    }

    void append(std::span<const std::uint16_t> block)
    {
        std::int32_t w = writeIndex_.load(std::memory_order_relaxed);
        for (std::uint16_t item : block) {
            items_[static_cast<std::size_t>(w)] = item;
            w = ringNext(w);
        }
        writeIndex_.store(w, std::memory_order_release);
    }

    // Reader side.
    std::int32_t writeSnapshot() const { return writeIndex_.load(std::memory_order_acquire); }
    std::uint16_t at(std::int64_t index) const { return items_[static_cast<std::size_t>(ringIndex(index))]; }

    std::int32_t readIndex() const { return readIndex_; }
    void setReadIndex(std::int32_t i) { readIndex_ = ringIndex(i); }

    // Items available to the reader (the difference modulo the ring size: a reader overtaken by
    // more than a whole ring silently loses what lies between).
    std::int32_t available() const { return ringIndex(std::int64_t(writeSnapshot()) - readIndex_); }

    // Start of a reception: zero the ring and the indices, and restart the histogram over a
    // window of half a second of zero items. Only while no writer runs.
    void reset(double dataRate, LevelHistogram& histogram)
    {
        items_.fill(0);
        readIndex_ = 0;
        writeIndex_.store(0, std::memory_order_release);
        auto w = static_cast<std::int32_t>(roundHalfEven(dataRate * 0.5));
        if (w < 0)
            w = 0;
        if (w > kRingSize)
            w = kRingSize;
        histogram.windowLength = w;
        histogram.windowStart = ringIndex(std::int64_t(kRingSize) - w);
        histogram.counts.fill(0);
        histogram.counts[0] = w;
    }

    // Reader-side histogram step for one consumed item at the current read index.
    void countLevel(LevelHistogram& h, std::uint16_t item, bool fourteenBit) const
    {
        h.counts[static_cast<std::size_t>(LevelHistogram::bin(item, fourteenBit))]++;
        h.counts[static_cast<std::size_t>(LevelHistogram::bin(at(h.windowStart), fourteenBit))]--;
        h.windowStart = ringNext(h.windowStart);
    }

    // Writer-side rewind used by tests and the CLI when a writer is replaced.
    void setWriteIndex(std::int32_t i) { writeIndex_.store(ringIndex(i), std::memory_order_release); }

private:
    std::array<std::uint16_t, kRingSize> items_{};
    std::atomic<std::int32_t> writeIndex_{0};
    std::int32_t readIndex_ = 0;
};

} // namespace tellur
