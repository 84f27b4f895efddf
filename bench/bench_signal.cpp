// Throughput of the soundcard demodulators and the tone generator. items_per_second is samples
// per second; divide by 11025 for the real-time factor.
#include "signal/demodulators.h"
#include "signal/tone_generator.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

using namespace tellur;
using namespace tellur::signal;

namespace {

// One second of a tone sweeping 1300..2500 Hz with noise: every branch of the routines runs.
std::vector<std::int16_t> testSignal()
{
    std::vector<std::int16_t> s(11025);
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0, 1500);
    double phase = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        double hz = 1900 + 600 * std::sin(2 * std::numbers::pi * 3 * double(i) / 11025);
        phase += 2 * std::numbers::pi * hz / 11025;
        s[i] = static_cast<std::int16_t>(std::clamp(9000 * std::sin(phase) + noise(rng), -32768.0, 32767.0));
    }
    return s;
}

void demodulate(benchmark::State& state, DemodType type)
{
    auto signal = testSignal();
    auto demod = makeDemodulator(type);
    if (auto* rtty = dynamic_cast<RttyDemodulator*>(demod.get()))
        rtty->restartLevelStatistics(7350);
    auto ring = std::make_unique<SampleRing>();
    for (auto _ : state) {
        for (std::size_t i = 0; i < signal.size(); i += kCaptureBlockSamples)
            demod->process(std::span(signal).subspan(i, std::min<std::size_t>(kCaptureBlockSamples, signal.size() - i)),
                           *ring);
        benchmark::DoNotOptimize(ring->writeSnapshot());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(signal.size()));
    state.counters["realtime_x"] = benchmark::Counter(double(state.iterations()) * double(signal.size()) / 11025.0,
                                                      benchmark::Counter::kIsRate);
}

void toneCodes(benchmark::State& state)
{
    std::vector<std::uint8_t> codes(7350);
    for (std::size_t i = 0; i < codes.size(); ++i)
        codes[i] = static_cast<std::uint8_t>(1 + (i * 37) % 255);
    struct Discard final : ToneBlockSink {
        void writeBlock(std::span<const std::int16_t> s, int) override { benchmark::DoNotOptimize(s.data()); }
    } sink;
    ToneGenerator gen(sink);
    for (auto _ : state)
        gen.appendCodes(codes);
    state.SetItemsProcessed(state.iterations() * 11025);
    state.counters["realtime_x"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

// Every receive routine of the table, under its name.
[[maybe_unused]] const bool kRegistered = [] {
    for (const auto& row : kDemodTable)
        if (row.receives())
            benchmark::RegisterBenchmark(("demodulate/" + std::string(row.name)).c_str(), demodulate, row.type);
    return true;
}();

BENCHMARK(toneCodes);
