// FAX reception throughput: a generated 10-minute HF FAX transmission (tone generator output)
// through the FM FAX demodulator and the FAX receiver, in 200 ms ticks as the window runs them.
#include "core/event_log.h"
#include "core/sample_ring.h"
#include "settings/fax_mode_table.h"
#include "fax/fax_receiver.h"
#include "fax/fax_transmitter.h"
#include "signal/demodulators.h"
#include "signal/tone_generator.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace tellur;

namespace {

struct Host final : fax::FaxReceiverHost {
    int pictures = 0;
    double stationTime() override { return 45306.5; }
    void startSave(const fax::FinishedPicture&) override { ++pictures; }
};

const std::vector<std::int16_t>& tenMinutes()
{
    static const std::vector<std::int16_t> audio = [] {
        storage::TDI8Bitmap chart(1720, 1150);
        std::vector<std::uint8_t> row(1720);
        for (int y = 0; y < 1150; ++y) {
            for (int x = 0; x < 1720; ++x)
                row[std::size_t(x)] = (x % 40 < 3 || y % 25 < 2 || (x / 7 + y / 5) % 11 == 0) ? 0 : 255;
            chart.storeRow(y, row);
        }
        fax::FaxTransmitSettings s;
        s.mode = fax::kDefaultFaxModes[0];
        s.callSign = "DL0TST";
        fax::FaxTransmitter tx(s, chart, nullptr);
        signal::VectorToneSink sink;
        signal::ToneGenerator gen(sink);
        gen.start();
        gen.appendCodes(tx.allCodes());
        gen.flush();
        return sink.samples;
    }();
    return audio;
}

void BM_FaxReceiveTenMinutes(benchmark::State& state)
{
    const auto& audio = tenMinutes();
    int pictures = 0;
    for (auto _ : state) {
        auto ring = std::make_unique<SampleRing>();
        LevelHistogram hist;
        Host host;
        NullEventLog log;
        fax::FaxReceiver rx(*ring, hist, host, log);
        rx.selectMode(fax::kDefaultFaxModes[0], {});
        signal::SoundcardDemodulator demod;
        demod.select("FMFAX");
        const std::span<const std::int16_t> all(audio);
        for (std::size_t i = 0; i < all.size(); i += 2205) {
            demod.process(all.subspan(i, std::min<std::size_t>(2205, all.size() - i)), *ring);
            rx.tick();
        }
        pictures = host.pictures;
    }
    const double seconds = double(audio.size()) / 11025.0;
    state.counters["audio_s"] = seconds;
    state.counters["pictures"] = pictures;
    state.counters["realtime_x"] =
        benchmark::Counter(seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FaxReceiveTenMinutes)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FaxReceiverOnly(benchmark::State& state)
{
    // The receiver alone on items already in the ring (what the GUI tick costs).
    const auto& audio = tenMinutes();
    signal::SoundcardDemodulator demod;
    demod.select("FMFAX");
    auto items = std::make_unique<SampleRing>();
    const std::span<const std::int16_t> first(audio.data(), 11025 * 60);
    demod.process(first, *items);
    const std::int32_t n = items->writeSnapshot();
    for (auto _ : state) {
        auto ring = std::make_unique<SampleRing>();
        LevelHistogram hist;
        Host host;
        NullEventLog log;
        fax::FaxReceiver rx(*ring, hist, host, log);
        rx.selectMode(fax::kDefaultFaxModes[0], {});
        for (std::int32_t i = 0; i < n; i += 1470) {
            for (std::int32_t j = i; j < std::min(n, i + 1470); ++j)
                ring->append(items->at(j));
            rx.tick();
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_FaxReceiverOnly)->Unit(benchmark::kMillisecond);

} // namespace
