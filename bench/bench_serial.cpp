// Serial input: framing received bytes into ring items, and prompt matching over a receive text.
// The fastest box (115200 Bd) delivers about 11.5 kB/s; framing must be a rounding error beside
// the 2 ms reader cycle.
#include "core/sample_ring.h"
#include "signal/serial_framing.h"
#include "signal/serial_wait.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

static void BM_SerialFraming(benchmark::State& state)
{
    const bool fourteen = state.range(0) != 0;
    std::vector<std::uint8_t> bytes(4096);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(fourteen && (i % 2 == 0) ? 0x80 | (i & 0x7F) : i & 0x7F);
    auto ring = std::make_unique<tellur::SampleRing>();
    std::atomic<std::int32_t> watchdog {0};
    tellur::signal::SerialFraming framing;
    framing.setFourteenBit(fourteen);
    for (auto _ : state)
        framing.process(bytes, *ring, watchdog);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_SerialFraming)->Arg(0)->Arg(1);

static void BM_SerialPromptMatch(benchmark::State& state)
{
    std::string text(2000, 'x');
    text += "\r\ncmd: ";
    auto alternatives = tellur::signal::responseAlternatives("cmd:^*");
    for (auto _ : state)
        benchmark::DoNotOptimize(tellur::signal::matchResponse(text, alternatives));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_SerialPromptMatch);
