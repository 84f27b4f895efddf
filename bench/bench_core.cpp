// Throughput of the sample ring's writer and reader sides.
#include "core/sample_ring.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

static void BM_RingAppendBlock(benchmark::State& state)
{
    auto ring = std::make_unique<tellur::SampleRing>();
    std::vector<std::uint16_t> block(512, 128);
    for (auto _ : state)
        ring->append(block);
    state.SetItemsProcessed(state.iterations() * 512);
}
BENCHMARK(BM_RingAppendBlock);
