// Heap peak of FAX encoding into a file, for a chart and one 20 times taller: the whole
// transmission collected in memory (codes, then samples) against the line-by-line stream that
// `encode fax` uses. The stream's peak grows with the picture only (which the transmitter copies);
// the collected one with the audio (the stream's 24000-line peak is the transmitter's own grey copy
// of the picture). Counters: heap_peak_MB above the heap in use before encoding.
#include "settings/fax_mode_table.h"
#include "fax/fax_transmitter.h"
#include "signal/tone_generator.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__GNUC__) && !defined(__clang__)
// The counting operators below pair malloc with free on purpose; inlining hides that from GCC.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

std::atomic<std::int64_t> g_inUse{0};
std::atomic<std::int64_t> g_peak{0};

} // namespace

// Every allocation of this program is counted; the size goes in front of the block.
void* operator new(std::size_t n)
{
    auto* p = static_cast<std::int64_t*>(std::malloc(n + 16));
    if (!p)
        throw std::bad_alloc();
    *p = static_cast<std::int64_t>(n);
    const std::int64_t now = g_inUse.fetch_add(*p) + *p;
    std::int64_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
    return p + 2;
}
void operator delete(void* p) noexcept
{
    if (!p)
        return;
    auto* b = static_cast<std::int64_t*>(p) - 2;
    g_inUse.fetch_sub(*b);
    std::free(b);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

using namespace tellur;

namespace {

// Stands for the WAV file: takes each block and keeps nothing.
struct DiscardSink final : signal::ToneBlockSink {
    std::int64_t samples = 0;
    void writeBlock(std::span<const std::int16_t> s, int) override { samples += std::int64_t(s.size()); }
};

storage::TDI8Bitmap chart(int height)
{
    storage::TDI8Bitmap pic(1810, height);
    std::vector<std::uint8_t> row(1810);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < 1810; ++x)
            row[std::size_t(x)] = (x % 40 < 3 || y % 25 < 2) ? 0 : 255;
        pic.storeRow(y, row);
    }
    return pic;
}

fax::FaxTransmitSettings settings()
{
    fax::FaxTransmitSettings s;
    s.mode = fax::kDefaultFaxModes[0];
    s.callSign = "DL0TST";
    return s;
}

template <bool Streamed>
void BM_EncodeFaxHeapPeak(benchmark::State& state)
{
    const auto picture = chart(static_cast<int>(state.range(0)));
    std::int64_t peakBytes = 0;
    for (auto _ : state) {
        const std::int64_t base = g_inUse.load();
        g_peak.store(base);
        if constexpr (Streamed) {
            DiscardSink sink;
            fax::FaxTransmitter tx(settings(), picture, nullptr);
            signal::ToneGenerator gen(sink);
            gen.start();
            tx.writeAll(gen);
            gen.flush();
            benchmark::DoNotOptimize(sink.samples);
        } else {
            signal::VectorToneSink sink;
            fax::FaxTransmitter tx(settings(), picture, nullptr);
            signal::ToneGenerator gen(sink);
            gen.start();
            gen.appendCodes(tx.allCodes());
            gen.flush();
            benchmark::DoNotOptimize(sink.samples.data());
        }
        peakBytes = g_peak.load() - base;
    }
    state.counters["heap_peak_MB"] = double(peakBytes) / 1e6;
}

BENCHMARK_TEMPLATE(BM_EncodeFaxHeapPeak, false)->Name("EncodeFaxCollected")->Arg(1200)->Arg(24000)
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_TEMPLATE(BM_EncodeFaxHeapPeak, true)->Name("EncodeFaxStreamed")->Arg(1200)->Arg(24000)
    ->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
