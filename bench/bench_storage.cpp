// Throughput of saving a full-size received FAX picture and of appending it to a movie: the save
// thread and automovie run at the end of every picture, beside live reception.
#include "fax/movie_tools.h"
#include "storage/picture_files.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

using namespace tellur;

namespace {

storage::TDI8Bitmap faxPicture()
{
    storage::TDI8Bitmap p(1810, 4200);
    std::vector<std::uint8_t> line(1810);
    for (int y = 0; y < 4200; ++y) {
        for (int x = 0; x < 1810; ++x)
            line[std::size_t(x)] = std::uint8_t(((x / 40 + y / 40) & 1) ? 255 : (x * 7 + y) & 63);
        p.storeRow(y, line);
    }
    return p;
}

std::filesystem::path scratch(const char* name)
{
    return std::filesystem::temp_directory_path() / ("tellur-bench-" + std::to_string(::getpid()) + "-" + name);
}

void BM_SavePicture(benchmark::State& state, const char* name)
{
    auto p = faxPicture();
    const auto file = scratch(name);
    for (auto _ : state)
        benchmark::DoNotOptimize(p.save(file));
    std::filesystem::remove(file);
    state.SetItemsProcessed(state.iterations() * 1810 * 4200);
}
BENCHMARK_CAPTURE(BM_SavePicture, png, "p.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SavePicture, bmp, "p.bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SavePicture, jpg, "p.jpg")->Unit(benchmark::kMillisecond);

void BM_MovieAppendHalfResolution(benchmark::State& state)
{
    auto p = faxPicture();
    const auto file = scratch("m.avi");
    std::filesystem::remove(file);
    for (auto _ : state)
        benchmark::DoNotOptimize(fax::automovieAppend(p, file, 8, 2, 10));
    std::filesystem::remove(file);
}
BENCHMARK(BM_MovieAppendHalfResolution)->Unit(benchmark::kMillisecond);

} // namespace
