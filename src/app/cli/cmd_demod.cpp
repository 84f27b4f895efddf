// tellur32-cli demod DEMOD IN OUT: one soundcard demodulator, ring items to a file.
#include "app/cli/audio_input.h"
#include "app/cli/cli.h"
#include "core/demodulator_table.h"

#include <cstdio>
#include <memory>

namespace tellur::cli {
namespace {

int runDemod(std::vector<std::string>& args, CommonOptions& opts)
{
    AudioInputOptions in;
    takeAudioInputOptions(args, in);
    if (in.listDevices)
        return listAudioDevices();
    std::string centre;
    bool haveCentre = takeOption(args, "--center", centre);
    bool reverse = takeFlag(args, "--reverse");
    bool afc = takeFlag(args, "--afc");
    std::size_t need = in.device.empty() ? 3 : 2;
    if (args.size() != need) {
        std::fprintf(stderr, "Usage: tellur32-cli demod DEMOD IN OUT   (see --help)\n");
        return kExitUsage;
    }
    signal::SoundcardDemodulator demod;
    const DemodRow* row = findDemod(args[0]);
    if (!row || !row->receives()) {
        std::fprintf(stderr, "tellur32-cli demod: unknown demodulator '%s'\n", args[0].c_str());
        return kExitUsage;
    }
    demod.select(args[0]);
    demod.restartLevelStatistics(7350.0);
    if (haveCentre) {
        try {
            demod.setCenterFrequency(std::stoi(centre));
        } catch (const std::logic_error&) {
            std::fprintf(stderr, "tellur32-cli demod: --center needs a frequency in Hz\n");
            return kExitUsage;
        }
    }
    demod.setInvert(reverse);
    if (afc)
        demod.setAfc(true);

    if (in.device.empty())
        in.source = args[1];
    const std::string& outPath = args.back();
    std::string error;
    auto input = AudioInput::open(in, error);
    if (!input) {
        std::fprintf(stderr, "tellur32-cli demod: %s\n", error.c_str());
        return kExitFailed;
    }
    std::FILE* out = outPath == "-" ? stdout : std::fopen(outPath.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "tellur32-cli demod: cannot write %s\n", outPath.c_str());
        return kExitFailed;
    }
    auto ring = std::make_unique<SampleRing>();
    std::int64_t items = 0;
    bool writeFailed = false;
    auto result = driveReceiver(*input, demod, *ring, in.realtime, [&](std::int64_t) {
        std::int32_t w = ring->writeSnapshot();
        std::vector<unsigned char> bytes;
        for (std::int32_t r = ring->readIndex(); r != w; r = ringIndex(r + 1)) {
            std::uint16_t v = ring->at(r);
            bytes.push_back(static_cast<unsigned char>(v & 0xFF));
            bytes.push_back(static_cast<unsigned char>(v >> 8));
        }
        ring->setReadIndex(w);
        items += static_cast<std::int64_t>(bytes.size() / 2);
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
            writeFailed = true;
            return false;
        }
        return true;
    });
    bool closeFailed = out != stdout ? std::fclose(out) != 0 : std::fflush(out) != 0;
    if (writeFailed || closeFailed) {
        std::fprintf(stderr, "tellur32-cli demod: writing %s failed\n", outPath.c_str());
        return kExitFailed;
    }
    if (opts.json)
        emitJson("demod", {{"demod", jsonString(args[0])},
                           {"samples", std::to_string(result.samples)},
                           {"items", std::to_string(items)}});
    else if (!opts.quiet)
        std::fprintf(stderr, "%s: %lld samples, %lld items\n", args[0].c_str(),
                     static_cast<long long>(result.samples), static_cast<long long>(items));
    return kExitOk;
}

const CliCommand kDemod(
    "demod", "runs one soundcard demodulator and writes its ring items",
    "Usage: tellur32-cli demod DEMOD IN OUT\n"
    "       tellur32-cli demod DEMOD --device NAME OUT\n"
    "       tellur32-cli demod --list-devices\n\n"
    "Runs the soundcard demodulator DEMOD (FMFAX, AMFAX, AMPLLFAX, SSTV, RTTY_85, RTTY_170,\n"
    "RTTY_450, RTTY_NAVTEX, RTTY_850) over IN and writes the items it appends to the sample ring\n"
    "to OUT as unsigned 16-bit little-endian values (OUT '-' is standard output).\n\n"
    "IN is any sound file libsndfile reads (first channel, resampled to 11025 S/s), or '-' for raw\n"
    "signed 16-bit little-endian mono on standard input.\n\n"
    "Options:\n"
    "  --rate N         sample rate of raw standard input (default 11025)\n"
    "  --device NAME    capture from an audio input device instead of IN (\"Auto\": the default)\n"
    "  --list-devices   list the audio input devices\n"
    "  --realtime       pace the input at its real rate\n"
    "  --center HZ      demodulator centre frequency (default: the demodulator's own)\n"
    "  --reverse        RTTY: invert the decisions\n"
    "  --afc            RTTY: automatic frequency correction\n",
    runDemod);

} // namespace
} // namespace tellur::cli
