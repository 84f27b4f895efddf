// SSTV reception speed: a Martin 1 picture's audio through the SSTV demodulator and the
// receiver, as the command-line decoder runs it. The goal is 200 times real time on one core.
#include "signal/demodulators.h"
#include "signal/tone_generator.h"
#include "sstv/sstv_receiver.h"
#include "sstv/sstv_transmitter.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace tellur;

const std::vector<std::int16_t>& martin1Audio()
{
    static const std::vector<std::int16_t> audio = [] {
        const auto& mode = sstv::kSstvModes[sstv::kMartin1Row];
        storage::RgbPicture pic(mode.columns, mode.rows);
        for (int y = 0; y < mode.rows; ++y)
            for (int x = 0; x < mode.columns; ++x)
                pic.setPixel(x, y, storage::rgb(static_cast<std::uint8_t>(x * 255 / mode.columns),
                                                static_cast<std::uint8_t>(255 - x * 255 / mode.columns),
                                                static_cast<std::uint8_t>(y)));
        sstv::SstvCodeStream stream(sstv::kMartin1Row, pic, sstv::SstvTxSettings{});
        signal::VectorToneSink sink;
        signal::ToneGenerator gen(sink);
        gen.start();
        gen.appendCodes(stream.allCodes());
        gen.flush();
        sink.samples.insert(sink.samples.end(), 11025, 0);
        return sink.samples;
    }();
    return audio;
}

void BM_SstvDecodeMartin1Audio(benchmark::State& state)
{
    const auto& audio = martin1Audio();
    for (auto _ : state) {
        signal::SoundcardDemodulator demod;
        demod.select("SSTV");
        auto ring = std::make_unique<SampleRing>();
        LevelHistogram histogram;
        sstv::SstvReceiver rx(sstv::SstvRxSettings{}, *ring, histogram);
        for (std::size_t i = 0; i < audio.size(); i += 2205) {
            const std::size_t n = std::min<std::size_t>(2205, audio.size() - i);
            demod.process(std::span<const std::int16_t>(audio.data() + i, n), *ring);
            rx.tick();
        }
        benchmark::DoNotOptimize(rx.picture().data().data());
    }
    const double seconds = double(audio.size()) / signal::kSoundcardRate;
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SstvDecodeMartin1Audio)->Unit(benchmark::kMillisecond);

void BM_SstvEncodeMartin1(benchmark::State& state)
{
    const auto& mode = sstv::kSstvModes[sstv::kMartin1Row];
    storage::RgbPicture pic(mode.columns, mode.rows);
    std::size_t codes = 0;
    for (auto _ : state) {
        sstv::SstvCodeStream stream(sstv::kMartin1Row, pic, sstv::SstvTxSettings{});
        auto all = stream.allCodes();
        codes = all.size();
        benchmark::DoNotOptimize(all.data());
    }
    state.counters["x_realtime"] = benchmark::Counter(double(codes) / 7350.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SstvEncodeMartin1)->Unit(benchmark::kMillisecond);

} // namespace
