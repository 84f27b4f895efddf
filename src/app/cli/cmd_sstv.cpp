// decode sstv / encode sstv: SSTV reception with mode detection from recordings or live audio,
// and SSTV transmission of a picture into a WAV file, with the station's own engine.
#include "app/cli/audio_input.h"
#include "app/cli/cli.h"
#include "app/cli/cli_station.h"
#include "core/station_time.h"
#include "platform/qt_text_mask.h"
#include "signal/demodulators.h"
#include "signal/tone_generator.h"
#include "signal/wave_file_sink.h"
#include "sstv/picture_fit.h"
#include "sstv/sstv_station.h"
#include "sstv/sstv_transmitter.h"
#include "storage/picture_files.h"
#include "storage/rgb_picture.h"

#include <QProcess>

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace tellur::cli {
namespace {

sstv::CivilTime civil(const DateTime& dt)
{
    return {dt.year, dt.month, dt.day, dt.hour, dt.minute, dt.second};
}

// Reports what the station does with the pictures.
class DecodeSink final : public sstv::SstvStationSink {
public:
    DecodeSink(bool json, bool quiet) : m_json(json), m_quiet(quiet) {}

    void pictureStarted(int row) override
    {
        const std::string name(sstv::kSstvModes[static_cast<std::size_t>(row)].name);
        if (m_json)
            emitJson("sstv-mode", {{"mode", jsonString(name)}});
        else if (!m_quiet)
            std::fprintf(stderr, "SSTV: %s\n", sstv::modeDisplayText(row).c_str());
    }

    void pictureStored(const std::filesystem::path& file, int row, int rows) override
    {
        const std::string name(sstv::kSstvModes[static_cast<std::size_t>(row)].name);
        if (m_json)
            emitJson("picture", {{"mode", jsonString(name)}, {"file", jsonString(file.string())}, {"lines", std::to_string(rows)}});
        else if (!m_quiet)
            std::fprintf(stderr, "SSTV: %s saved (%d rows)\n", file.string().c_str(), rows);
    }

    void pictureNotStored(const std::filesystem::path& folder) override
    {
        if (m_json)
            emitJson("error", {{"text", jsonString("cannot write into " + folder.string())}});
        std::fprintf(stderr, "tellur32-cli decode sstv: cannot write into %s\n", folder.string().c_str());
    }

    void runCommand(const fax::ExternalCommand& command) override
    {
        QProcess::startDetached(QString::fromStdString(command.program),
                                QProcess::splitCommand(QString::fromStdString(command.parameters)),
                                QString::fromStdString(command.workingFolder.string()));
    }

private:
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
    const bool stamp = takeFlag(args, "--timestamp");
    const bool enhanced = takeFlag(args, "--enhanced");
    const bool specified = takeFlag(args, "--specified");
    const std::size_t need = in.device.empty() ? 1 : 0;
    if (args.size() != need) {
        std::fprintf(stderr, "Usage: tellur32-cli decode sstv [--out DIR] [--qrm] [--timestamp] IN   (see --help)\n");
        return kExitUsage;
    }
    if (in.device.empty())
        in.source = args[0];

    CliStation station(opts);
    sstv::SstvStationSettings settings = sstv::sstvStationSettings(station.config(), station.folder());
    settings.rx.interfaceType = sstv::kInterfaceSoundcard; // the CLI demodulates audio itself
    settings.rx.qrmMode = settings.rx.qrmMode || qrm;
    settings.timestamp = stamp;
    if (enhanced || specified)
        settings.rx.enhanced = enhanced;
    if (haveOut)
        settings.catalog.lastReceivedFolder = outDir;

    std::string error;
    auto input = AudioInput::open(in, error);
    if (!input) {
        std::fprintf(stderr, "tellur32-cli decode sstv: %s\n", error.c_str());
        return kExitFailed;
    }

    // Picture start times follow the input: the decode's start plus the input time so far.
    const std::int64_t baseMs = stationTimeMillis(SystemWallClock::instance(), settings.localTime);
    std::int64_t elapsedMs = 0;
    auto clock = [&] { return civil(dateTimeFromMillis(baseMs + elapsedMs)); };

    signal::SoundcardDemodulator demod;
    demod.select("SSTV");
    demod.setDataRate(settings.rx.dataRate);
    auto ring = std::make_unique<SampleRing>();
    LevelHistogram histogram;
    DecodeSink sink(opts.json, opts.quiet);
    std::unique_ptr<platform::QtTextMaskRenderer> text;
    if (stamp && platform::ensureGuiApplication())
        text = std::make_unique<platform::QtTextMaskRenderer>();
    sstv::SstvStation sstvStation(settings, *ring, histogram, station.log(), &sink, clock, text.get());
    if (!haveOut)
        sstvStation.catalog().load();

    const auto drive = driveReceiver(*input, demod, *ring, in.realtime, [&](std::int64_t ms) {
        elapsedMs = ms;
        sstvStation.tick();
        return true;
    });
    // As the Stop button: what arrived is kept when it is enough.
    if (drive.signal != 0 && sstvStation.receiver().receiving())
        sstvStation.receiver().stopPicture();
    sstvStation.endOfInput();
    if (!haveOut)
        sstvStation.catalog().save();
    if (!opts.quiet && !opts.json)
        std::fprintf(stderr, "SSTV: %d picture(s) saved\n", sstvStation.storedPictures());
    return exitStatusAfter(drive, sstvStation.failedPictures() > 0 ? kExitFailed : kExitOk);
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
    int row = sstv::normaliseTxModeIndex(config.u8(cfg::kSstvTransmitMode));
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
    settings.cwIdAfter = config.flag(cfg::kCwIdAfter);
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
    sstv::IdentificationStamp stamp;
    stamp.choice = static_cast<sstv::IdentificationChoice>(std::clamp<int>(config.u8(cfg::kStampChoice), 0, 3));
    stamp.callSign = settings.callSign;
    stamp.handle = config.str(cfg::kHandle, 50);
    stamp.handleColour = static_cast<std::uint32_t>(config.i32(cfg::kHandleColour)) & 0xFFFFFF;
    stamp.pictureText = config.str(cfg::kSentByText, 30);
    const bool sizeToFit = config.flag(cfg::kSstvSizeToFit);
    storage::RgbPicture picture(mode.columns, mode.rows);
    sstv::fitPicture(loaded, picture, sizeToFit, sstv::headerBandRows(sizeToFit, stamp.choice, false));
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
    "  --timestamp     draw the date/time stamp into received pictures\n"
    "  --enhanced      enhanced reception (the line timing follows the syncs)\n"
    "  --specified     the receiver as specified (default: the configuration's choice)\n"
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
    "The picture is fitted to the mode's size as the catalog fits it: letterboxed, or with\n"
    "\"Stretch or crop pictures to match transmit aspect ratio\" stretched when its aspect ratio\n"
    "is within 0.8..1.2 of the mode's and cropped otherwise, below a 16-row band kept for the\n"
    "identification header.\n\n"
    "  --sstv-mode NAME|ROW  transmit mode (default: the configured transmit mode)\n"
    "  --callsign CALL       call sign instead of the configured one\n"
    "  --1750                two seconds of 1750 Hz before the picture\n",
    encodeSstv);

} // namespace
} // namespace tellur::cli
