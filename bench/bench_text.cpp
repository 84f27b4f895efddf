// Throughput of the text bit decoders over ring items (7350 items per second of signal).
// Real-time factor = items per second / 7350.
#include "../tests/text/signal_gen.h"
#include "text/bit_decoders.h"

#include <benchmark/benchmark.h>

using namespace tellur::text;

namespace {

std::string sampleText()
{
    std::string t;
    for (int i = 0; i < 20; ++i)
        t += "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 1234567890\r\n";
    return t;
}

// Items per second and how many times faster than real time (7350 items a second).
void countItems(benchmark::State& state, std::size_t items)
{
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(items));
    state.counters["realtime_x"] = benchmark::Counter(static_cast<double>(items) / 7350.0 *
                                                          static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

void BM_BaudotDecoder(benchmark::State& state)
{
    const auto items = testgen::baudotItems(sampleText(), 7350.0 / 50.0);
    BaudotDecoder dec(BitTiming::from(73500000, 500000), 5);
    ShiftState shift;
    std::string out;
    for (auto _ : state) {
        out.clear();
        dec.process(items, shift, out);
        benchmark::DoNotOptimize(out.data());
    }
    countItems(state, items.size());
}
BENCHMARK(BM_BaudotDecoder);

void BM_FecDecoder(benchmark::State& state)
{
    const auto items = testgen::fecItems("ZCZC KA01\r\n" + sampleText() + "NNNN\r\n");
    FecDecoder dec(BitTiming::from(73500000, 1000000));
    ShiftState shift;
    std::string out;
    for (auto _ : state) {
        dec.reset();
        out.clear();
        dec.process(items, shift, out);
        benchmark::DoNotOptimize(out.data());
    }
    countItems(state, items.size());
}
BENCHMARK(BM_FecDecoder);

} // namespace
