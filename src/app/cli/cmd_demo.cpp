// tellur32-cli demo: the headless demonstration. A weather-chart-like test picture is transmitted
// as HF FAX audio into a WAV file, and that file is received back through the soundcard
// demodulator and the FAX receiver, exactly as `encode fax` and `decode fax` would do it.
#include "app/cli/cli.h"
#include "app/cli/cli_station.h"
#include "app/cli/fax_cli.h"

#include "settings/fax_mode_table.h"
#include "platform/qt_text_mask.h"
#include "storage/picture_files.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace tellur::cli {
namespace {

// Isobars around a low, a grid of meridians and parallels, a title box and a grey wedge.
storage::TDI8Bitmap demoChart(TextMaskRenderer* text)
{
    constexpr int w = 1720, h = 240;
    storage::TDI8Bitmap pic(w, h);
    std::vector<std::uint8_t> row(w);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint8_t v = 255;
            if (x % 120 == 0 || y % 60 == 0)
                v = 0;
            const double dx = x - 1100.0, dy = (y - 130.0) * 2.0;
            const double r = std::sqrt(dx * dx + dy * dy);
            if (std::fmod(r, 70.0) < 3.0)
                v = 0;
            if (y >= 200)
                v = static_cast<std::uint8_t>(x * 255 / w);
            row[static_cast<std::size_t>(x)] = v;
        }
        pic.storeRow(y, row);
    }
    if (text) {
        const auto title = text->render(" TELLUR32 FAX DEMO  - LOW 985 HPA - ", FontSpec{.family = "Arial", .pointSize = 32});
        for (int y = 0; y < title.height && y + 20 < h; ++y)
            for (int x = 0; x < title.width && x + 40 < w; ++x)
                pic.setPixel(x + 40, y + 20, title.at(x, y) >= 128 ? 0 : 255);
    }
    return pic;
}

int demoCommand(std::vector<std::string>& args, CommonOptions& opts)
{
    std::string out;
    takeOption(args, "--out", out);
    if (!args.empty()) {
        std::fprintf(stderr, "Usage: tellur32-cli demo [--out DIR]\n");
        return kExitUsage;
    }
    CliStation station(opts);
    const std::filesystem::path folder = out.empty() ? station.folder() / "Demo" : std::filesystem::absolute(out);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);

    std::unique_ptr<platform::QtTextMaskRenderer> text;
    if (platform::ensureGuiApplication())
        text = std::make_unique<platform::QtTextMaskRenderer>();
    const auto chart = demoChart(text.get());
    const auto chartFile = folder / "tellur32-demo-chart.png";
    storage::TDI8Bitmap copy = chart;
    copy.markAllWritten();
    copy.save(chartFile);

    std::size_t row = 0;
    for (std::size_t r = 0; r < fax::kFaxModeRows; ++r)
        if (fax::readFaxModeRow(station.config(), r).name == std::string_view("HF-Fax"))
            row = r;
    auto settings = faxTransmitSettings(station.config(), row);
    if (!fax::callSignUsable(settings.callSign))
        settings.callSign = "DEMO";
    std::fprintf(stderr, "Tellur32 demonstration: sending a test chart in FAX mode \"%s\" (%d LPM)...\n",
                 settings.mode.name.str().c_str(), settings.lpm);
    const auto audioFile = folder / "tellur32-demo-fax.wav";
    std::string error;
    const std::int64_t samples = encodeFaxToWave(settings, chart, text.get(), audioFile, error);
    if (samples < 0) {
        std::fprintf(stderr, "tellur32-cli demo: %s\n", error.c_str());
        return kExitFailed;
    }
    std::fprintf(stderr, "FAX audio (%.0f s at 11025 samples/s): %s\n", double(samples) / 11025.0,
                 audioFile.c_str());
    std::fprintf(stderr, "receiving it through the FM FAX demodulator and the FAX receiver...\n");

    AudioInputOptions in;
    in.source = audioFile.string();
    auto input = AudioInput::open(in, error);
    if (!input) {
        std::fprintf(stderr, "tellur32-cli demo: %s\n", error.c_str());
        return kExitFailed;
    }
    const auto result = decodeFax(station, opts, *input, row, false, station.folderPath(StationFolder::FaxLastReceived),
                                  false);
    if (result.pictures == 0) {
        std::fprintf(stderr, "tellur32-cli demo: the picture was not received\n");
        return kExitFailed;
    }
    std::printf("test chart:        %s\n", chartFile.c_str());
    std::printf("FAX audio:         %s\n", audioFile.c_str());
    std::printf("received picture:  %s\n", result.lastSaved.c_str());
    return kExitOk;
}

const CliCommand kDemo("demo", "headless demonstration: a test chart sent as FAX audio and received back",
                       "Usage: tellur32-cli demo [--out DIR]\n\n"
                       "Draws a weather-chart-like test picture, transmits it in the HF-Fax mode into a WAV\n"
                       "file (in DIR, default <station folder>/Demo), receives that file back through the\n"
                       "FM FAX demodulator and the FAX receiver, and prints where the received picture was\n"
                       "saved.\n",
                       demoCommand);

} // namespace
} // namespace tellur::cli
