// decode sstv / encode sstv: SSTV reception with mode detection from recordings or live audio,
// and SSTV transmission of a picture into a WAV file, with the station's own engine.
#include "app/cli/audio_input.h"
#include "app/cli/cli.h"
#include "app/cli/cli_station.h"
#include "settings/config_fields.h"
#include "core/station_time.h"
#include "platform/qt_text_mask.h"
#include "signal/demodulators.h"
#include "signal/tone_generator.h"
#include "signal/wave_file_sink.h"
#include "sstv/sstv_receiver.h"
#include "sstv/sstv_transmitter.h"
#include "storage/picture_files.h"
#include "storage/rgb_picture.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace tellur::cli {
namespace {

std::int64_t configInt(const StationConfig& config, std::string_view name, std::int64_t fallback)
{
    const ConfigField* f = findConfigField(name);
    if (!f)
        return fallback;
    switch (f->kind) {
    case FieldKind::Int32: return config.i32(f->offset);
    case FieldKind::UInt8: return config.u8(f->offset);
    case FieldKind::Int8: return config.i8(f->offset);
    case FieldKind::Flag: return config.flag(f->offset) ? 1 : 0;
    default: return fallback;
    }
}

sstv::CivilTime civil(const DateTime& dt)
{
    return {dt.year, dt.month, dt.day, dt.hour, dt.minute, dt.second};
}

// Takes the finished pictures from the receiver and stores them as "Last Received" does.
class DecodeSink final : public sstv::SstvReceiverSink {
public:
    DecodeSink(std::filesystem::path folder, int formatIndex, bool json, bool quiet)
        : m_folder(std::move(folder)), m_format(formatIndex), m_json(json), m_quiet(quiet)
    {
    }
    sstv::SstvReceiver* receiver = nullptr;
    int saved = 0;
    int failed = 0;

    void pictureStarted(int row) override
    {
        const std::string name(sstv::kSstvModes[static_cast<std::size_t>(row)].name);
        if (m_json)
            emitJson("sstv-mode", {{"mode", jsonString(name)}});
        else if (!m_quiet)
            std::fprintf(stderr, "SSTV: %s\n", sstv::modeDisplayText(row).c_str());
    }

    void pictureEnded(bool keep, int row, int rows) override
    {
        if (!keep || !receiver)
            return;
        const std::string name(sstv::kSstvModes[static_cast<std::size_t>(row)].name);
        const auto start = receiver->pictureStartTime().value_or(sstv::CivilTime{});
        auto file = m_folder / sstv::lastReceivedFileName(start, name, m_format);
        std::error_code ec;
        std::filesystem::create_directories(m_folder, ec);
        // A picture of the same minute and mode is kept: this one gets a suffix.
        storage::PictureSaveOptions options; // as RgbPicture::save writes
        options.jpegQuality = 75;
        options.jpegSmoothing = 0;
        const auto placed = storage::writeNewPicture(file, receiver->picture(), options);
        if (!placed) {
            ++failed;
            if (m_json)
                emitJson("error", {{"text", jsonString("cannot write " + file.string())}});
            std::fprintf(stderr, "tellur32-cli decode sstv: cannot write %s\n", file.string().c_str());
            return;
        }
        file = *placed;
        ++saved;
        if (m_json)
            emitJson("picture", {{"mode", jsonString(name)}, {"file", jsonString(file.string())}, {"lines", std::to_string(rows)}});
        else if (!m_quiet)
            std::fprintf(stderr, "SSTV: %s saved (%d rows)\n", file.string().c_str(), rows);
    }

private:
    std::filesystem::path m_folder;
    int m_format;
    bool m_json;
    bool m_quiet;
};

int decodeSstv(std::vector<std::string>& args, CommonOptions& opts)
{
    AudioInputOptions in;
    takeAudioInputOptions(args, in);
    if (in.listDevices)
        return listAudioDevices();
    std::string outDir;
    const bool haveOut = takeOption(args, "--out", outDir);
    const bool qrm = takeFlag(args, "--qrm");
    const std::size_t need = in.device.empty() ? 1 : 0;
    if (args.size() != need) {
        std::fprintf(stderr, "Usage: tellur32-cli decode sstv [--out DIR] [--qrm] IN   (see --help)\n");
        return kExitUsage;
    }
    if (in.device.empty())
        in.source = args[0];

    CliStation station(opts);
    const StationConfig& config = station.config();
    sstv::SstvRxSettings settings;
    settings.interfaceType = sstv::kInterfaceSoundcard; // the CLI demodulates audio itself
    settings.dataRate = config.dataRate() > 0 ? config.dataRate() : 7350.0;
    settings.repeaterFrequencyHz = static_cast<int>(configInt(config, "RepeaterFrequency", 1750));
    settings.repeaterBandwidthHz = static_cast<int>(configInt(config, "RepeaterBandwidth", 50));
    settings.maxMissingSyncs = static_cast<int>(std::clamp<std::int64_t>(configInt(config, "SSTV_Maxfail", 15), 10, 40));
    settings.savePercentage = static_cast<int>(std::clamp<std::int64_t>(configInt(config, "SSTV_Percentage", 40), 10, 80));
    settings.qrmMode = qrm;
    const int format = static_cast<int>(std::clamp<std::int64_t>(configInt(config, "SSTV_PictureFileFormat", 0), 0, 4));
    const bool localTime = configInt(config, "IngnoreSummertime", 0) != 0;
    const std::filesystem::path folder = haveOut ? std::filesystem::path(outDir)
                                                 : station.folderPath(StationFolder::SstvLastReceived);

    std::string error;
    auto input = AudioInput::open(in, error);
    if (!input) {
        std::fprintf(stderr, "tellur32-cli decode sstv: %s\n", error.c_str());
        return kExitFailed;
    }

    // Picture start times follow the input: the decode's start plus the input time so far.
    const std::int64_t baseMs = stationTimeMillis(SystemWallClock::instance(), localTime);
    std::int64_t elapsedMs = 0;
    auto clock = [&] { return civil(dateTimeFromMillis(baseMs + elapsedMs)); };

    signal::SoundcardDemodulator demod;
    demod.select("SSTV");
    demod.setDataRate(settings.dataRate);
    auto ring = std::make_unique<SampleRing>();
    LevelHistogram histogram;
    DecodeSink sink(folder, format, opts.json, opts.quiet);
    sstv::SstvReceiver receiver(settings, *ring, histogram, &sink, clock);
    sink.receiver = &receiver;

    const auto drive = driveReceiver(*input, demod, *ring, in.realtime, [&](std::int64_t ms) {
        elapsedMs = ms;
        receiver.tick();
        return true;
    });
    // The last line is decoded once a line's worth of items lies behind it: let silence follow
    // until the picture has ended one way or the other.
    if (drive.signal != 0 && receiver.receiving())
        receiver.stopPicture(); // as the Stop button: what arrived is kept when it is enough
    const auto block = static_cast<std::size_t>(settings.dataRate / 5);
    std::vector<std::uint16_t> silence(block, 0);
    for (int i = 0; receiver.receiving() && i < 60 * 5; ++i) {
        ring->append(silence);
        elapsedMs += 200;
        receiver.tick();
        if (settings.qrmMode && i > 45 * 5)
            receiver.stopPicture();
    }
    if (!opts.quiet && !opts.json)
        std::fprintf(stderr, "SSTV: %d picture(s) saved\n", sink.saved);
    return exitStatusAfter(drive, sink.failed > 0 ? kExitFailed : kExitOk);
}

// Bilinear fit of any picture onto the mode's size.
storage::RgbPicture fitPicture(const storage::RgbPicture& src, int width, int height)
{
    if (src.width() == width && src.height() == height)
        return src;
    storage::RgbPicture out(width, height);
    for (int y = 0; y < height; ++y) {
        const double sy = std::max(0.0, (y + 0.5) * src.height() / height - 0.5);
        const int y0 = std::min(static_cast<int>(sy), src.height() - 1);
        const int y1 = std::min(y0 + 1, src.height() - 1);
        const double fy = sy - y0;
        for (int x = 0; x < width; ++x) {
            const double sx = std::max(0.0, (x + 0.5) * src.width() / width - 0.5);
            const int x0 = std::min(static_cast<int>(sx), src.width() - 1);
            const int x1 = std::min(x0 + 1, src.width() - 1);
            const double fx = sx - x0;
            std::uint8_t c[3];
            for (int k = 0; k < 3; ++k) {
                const int shift = 16 - 8 * k;
                auto at = [&](int xx, int yy) { return double((src.getPixel(xx, yy) >> shift) & 255); };
                const double v = (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) + (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
                c[k] = static_cast<std::uint8_t>(std::clamp(v + 0.5, 0.0, 255.0));
            }
            out.setPixel(x, y, storage::rgb(c[0], c[1], c[2]));
        }
    }
    return out;
}

int encodeSstv(std::vector<std::string>& args, CommonOptions& opts)
{
    std::string modeText, callOption;
    const bool haveMode = takeOption(args, "--sstv-mode", modeText);
    const bool haveCall = takeOption(args, "--callsign", callOption);
    const bool with1750 = takeFlag(args, "--1750");
    if (args.size() != 2) {
        std::fprintf(stderr, "Usage: tellur32-cli encode sstv [--sstv-mode NAME|ROW] PICTURE OUT.wav   (see --help)\n");
        return kExitUsage;
    }
    CliStation station(opts);
    const StationConfig& config = station.config();
    int row = sstv::normaliseTxModeIndex(static_cast<int>(configInt(config, "sstvTransmitMode", sstv::kMartin1Row)));
    if (haveMode) {
        auto found = sstv::findMode(modeText);
        if (!found) {
            std::fprintf(stderr, "tellur32-cli encode sstv: unknown --sstv-mode '%s'\n", modeText.c_str());
            return kExitUsage;
        }
        row = *found;
    }
    if (row == sstv::kRepeaterRow)
        row = sstv::kMartin1Row; // a picture sent by hand in the Repeater row goes out as Martin 1

    sstv::SstvTxSettings settings;
    settings.interfaceType = sstv::kInterfaceSoundcard;
    settings.dataRate = config.dataRate() > 0 ? config.dataRate() : 7350.0;
    settings.txRateOffset = config.txRateOffset();
    settings.callSign = haveCall ? callOption : config.callsign();
    settings.cwIdAfter = configInt(config, "CWIDAfter", 1) != 0;
    settings.with1750 = with1750;
    if (!sstv::callSignUsable(settings.callSign)) {
        std::fprintf(stderr, "tellur32-cli encode sstv: Please enter your Callsign in the configuration window first.\n");
        return kExitFailed;
    }

    storage::RgbPicture loaded;
    if (!loaded.load(args[0])) {
        std::fprintf(stderr, "tellur32-cli encode sstv: cannot read picture %s\n", args[0].c_str());
        return kExitFailed;
    }
    const auto& mode = sstv::kSstvModes[static_cast<std::size_t>(row)];
    storage::RgbPicture picture = fitPicture(loaded, mode.columns, mode.rows);

    sstv::IdentificationStamp stamp;
    stamp.choice = static_cast<sstv::IdentificationChoice>(std::clamp<std::int64_t>(configInt(config, "Justcall", 0), 0, 3));
    stamp.callSign = settings.callSign;
    stamp.handle = config.str(cfg::kHandle, 50);
    stamp.handleColour = static_cast<std::uint32_t>(configInt(config, "handleColor", 0xFFFFFF)) & 0xFFFFFF;
    stamp.pictureText = config.str(cfg::kSentByText, 30);
    storage::RgbPicture userHeader;
    if (stamp.choice == sstv::IdentificationChoice::UserHeader) {
        const auto masks = station.folderPath(StationFolder::MasksPalettes);
        if (userHeader.load(masks / (mode.columns > 499 ? "User-header-640.bmp" : "User-header-340.bmp")))
            stamp.userHeader = &userHeader;
    }
    if (stamp.choice != sstv::IdentificationChoice::NoCallSign && platform::ensureGuiApplication()) {
        platform::QtTextMaskRenderer renderer;
        sstv::stampIdentification(picture, stamp, renderer);
    }

    sstv::SstvCodeStream stream(row, picture, settings);
    const auto codes = stream.allCodes();
    std::string error;
    auto samples = signal::WaveFileSink::create(args[1], error);
    if (!samples) {
        std::fprintf(stderr, "tellur32-cli encode sstv: %s\n", error.c_str());
        return kExitFailed;
    }
    signal::ToneGenerator generator(*samples);
    generator.start();
    generator.appendCodes(codes);
    generator.flush();
    if (generator.outputErrors() > 0 || !samples->commit(error)) {
        std::fprintf(stderr, "tellur32-cli encode sstv: %s\n",
                     generator.outputErrors() > 0 ? generator.lastError().c_str() : error.c_str());
        return kExitFailed;
    }
    if (opts.json)
        emitJson("encoded", {{"mode", jsonString(std::string(mode.name))}, {"file", jsonString(args[1])},
                             {"seconds", std::to_string(double(samples->samples()) / signal::kSoundcardRate)}});
    else if (!opts.quiet)
        std::fprintf(stderr, "SSTV: %s, %s, %.1f s\n", std::string(mode.name).c_str(), args[1].c_str(),
                     double(samples->samples()) / signal::kSoundcardRate);
    return kExitOk;
}

const CliCommand kDecodeSstv(
    "decode sstv", "SSTV reception with mode detection from a recording or live audio",
    "Usage: tellur32-cli decode sstv [options] IN\n\n"
    "Receives SSTV pictures: the mode is recognised from the line timing, every picture of which\n"
    "more than the configured percentage arrived is stored as the \"Last Received\" page names it\n"
    "(\"yyyymmdd hhnn <mode>.<format>\") in the SSTV-Lastreceived folder.\n\n"
    "  --out DIR       store the pictures in DIR instead\n"
    "  --qrm           QRM mode: missing syncs never end a picture\n"
    "  --rate N        sample rate of raw input on standard input (default 11025)\n"
    "  --device NAME   capture from an audio device (--list-devices lists them)\n"
    "  --realtime      pace the input at its real rate\n"
    "  --json          events: sstv-mode, picture, error\n",
    decodeSstv);

const CliCommand kEncodeSstv(
    "encode sstv", "transmits a picture as SSTV audio into a WAV file",
    "Usage: tellur32-cli encode sstv [options] PICTURE OUT.wav\n\n"
    "Sends a picture as the SSTV transmitter would (identification header, warble, VIS code,\n"
    "lines, trailer with the CW identification when configured) into an 11025 S/s WAV file.\n"
    "The picture is fitted to the mode's size.\n\n"
    "  --sstv-mode NAME|ROW  transmit mode (default: the configured transmit mode)\n"
    "  --callsign CALL       call sign instead of the configured one\n"
    "  --1750                two seconds of 1750 Hz before the picture\n",
    encodeSstv);

} // namespace
} // namespace tellur::cli
