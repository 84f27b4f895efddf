// decode fax / encode fax: FAX reception from recordings or live audio with the FAX station the
// FAX-RX window drives (Auto button down), and FAX transmission of a picture into a WAV file.
#include "app/cli/audio_input.h"
#include "app/cli/cli.h"
#include "app/cli/fax_cli.h"

#include "core/station_time.h"
#include "fax/fax_header.h"
#include "settings/fax_mode_table.h"
#include "fax/fax_station.h"
#include "fax/fax_transmitter.h"
#include "platform/command_starter.h"
#include "platform/qt_text_mask.h"
#include "signal/demodulators.h"
#include "signal/tone_generator.h"
#include "signal/wave_file_sink.h"
#include "storage/picture_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

namespace tellur::cli {

namespace {

std::string stateName(fax::ReceptionState s)
{
    return fax::trimmed(fax::receptionStatusText(s));
}

} // namespace

std::size_t faxModeRowFromOption(const StationConfig& config, const std::string& option)
{
    if (option.empty()) {
        const auto row = fax::currentFaxModeRow(config);
        return row < fax::kFaxModeRows ? row : 0;
    }
    const bool number = std::all_of(option.begin(), option.end(), [](unsigned char c) { return std::isdigit(c); });
    if (number) {
        const auto row = std::stoul(option);
        if (row < fax::kFaxModeRows && fax::readFaxModeRow(config, row).selectable())
            return row;
    } else {
        for (std::size_t r = 0; r < fax::kFaxModeRows; ++r) {
            const auto rec = fax::readFaxModeRow(config, r);
            if (rec.selectable() && fax::trimmed(rec.name.view()) == fax::trimmed(option))
                return r;
        }
    }
    std::fprintf(stderr, "tellur32-cli: unknown FAX mode '%s'\n", option.c_str());
    throw std::invalid_argument("--fax-mode");
}

std::string_view faxDemodulatorName(std::int32_t demodulator)
{
    return demodRow(isFaxMode(demodulator) ? demodForMode(demodulator)->type : DemodType::FmFax).name;
}

namespace {

// The station's sink on the command line: events go to standard output as JSON, progress to
// standard error.
class CliFaxSink final : public fax::FaxStationSink {
public:
    CliFaxSink(CliStation& station, const CommonOptions& opts, const fax::FaxModeRecord& mode)
        : m_station(station), m_opts(opts), m_mode(mode)
    {
    }
    void setElapsedMs(std::int64_t ms) { m_elapsedMs = ms; }

    void stateChanged(fax::ReceptionState s) override
    {
        if (s == m_last)
            return;
        m_last = s;
        if (m_opts.json)
            emitJson("state", {{"state", jsonString(stateName(s))}});
        else if (!m_opts.quiet)
            std::fprintf(stderr, "%7.1f s %s\n", double(m_elapsedMs) / 1000.0, stateName(s).c_str());
    }
    void lpmChanged(int lpm) override
    {
        // Every setting is reported: the mode's speed at selection, the measured one after phasing.
        if (m_opts.json && m_started)
            emitJson("lpm", {{"lpm", std::to_string(lpm)}});
    }
    void headerTextChanged(const std::string& text) override
    {
        if (!text.empty() && m_opts.json)
            emitJson("header", {{"text", jsonString(text)}});
    }
    void saveFinished(const fax::FaxSaveResult& result, const fax::FinishedPicture& info) override
    {
        if (!result.written) {
            m_station.log().error("+++ picture could not be written: " + result.file.string());
            if (m_opts.json)
                emitJson("error", {{"text", jsonString("picture could not be written: " + result.file.string())}});
            else
                std::fprintf(stderr, "tellur32-cli: picture could not be written: %s\n", result.file.c_str());
            return;
        }
        if (m_opts.json)
            emitJson("picture", {{"mode", jsonString(m_mode.name.str())},
                                 {"file", jsonString(result.file.string())},
                                 {"lines", std::to_string(info.lines)}});
        else if (!m_opts.quiet)
            std::fprintf(stderr, "picture saved: %s (%d lines)\n", result.file.c_str(), info.lines);
    }
    void movieAppended(const std::filesystem::path& movie, bool ok) override
    {
        if (m_opts.json)
            emitJson("movie", {{"file", jsonString(movie.string())}, {"appended", ok ? "true" : "false"}});
        else if (!m_opts.quiet)
            std::fprintf(stderr, "%s %s\n", ok ? "appended to movie" : "could not append to movie", movie.c_str());
    }
    void commandStarted(const fax::ExternalCommand& command, bool ok) override
    {
        if (!ok)
            m_station.log().error("+++ command after reception could not be started: " + command.program);
    }
    void started() { m_started = true; }

private:
    CliStation& m_station;
    const CommonOptions& m_opts;
    fax::FaxModeRecord m_mode;
    std::int64_t m_elapsedMs = 0;
    fax::ReceptionState m_last = fax::ReceptionState::Waiting;
    bool m_started = false;
};

} // namespace

std::optional<std::int64_t> parseStationClock(const std::string& text)
{
    DateTime dt;
    char tail = 0;
    const int n = std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d%c", &dt.year, &dt.month, &dt.day, &dt.hour, &dt.minute,
                              &dt.second, &tail);
    if (n < 5 || n > 6 || dt.month < 1 || dt.month > 12 || dt.day < 1 || dt.day > 31 || dt.hour < 0 || dt.hour > 23 ||
        dt.minute < 0 || dt.minute > 59 || dt.second < 0 || dt.second > 59)
        return std::nullopt;
    return millisFromDateTime(dt);
}

FaxDecodeResult decodeFax(CliStation& station, const CommonOptions& opts, AudioInput& input, std::size_t row,
                          bool startNow, const std::filesystem::path& pictureFolder, bool realtime,
                          std::optional<std::int64_t> clockStartMs)
{
    const fax::FaxModeRecord mode = fax::readFaxModeRow(station.config(), row);
    // Station time runs with the input: from the given station time, else from now.
    const auto& system = SystemWallClock::instance();
    const int offset = station.config().useLocalTime() ? system.utcOffsetMinutes(system.utcMillis()) : 0;
    const std::int64_t startMs = clockStartMs ? *clockStartMs - std::int64_t(offset) * 60000 : system.utcMillis();
    FixedWallClock clock(startMs, offset);

    std::unique_ptr<platform::QtTextMaskRenderer> text;
    std::unique_ptr<platform::QtCommandStarter> commands;
    if (platform::ensureGuiApplication()) {
        text = std::make_unique<platform::QtTextMaskRenderer>();
        commands = std::make_unique<platform::QtCommandStarter>();
    }
    CliFaxSink sink(station, opts, mode);
    auto ring = std::make_unique<SampleRing>();
    LevelHistogram histogram;
    signal::SoundcardDemodulator demod;
    demod.setDataRate(station.config().f64(cfg::kDataRate));
    demod.select(faxDemodulatorName(mode.demodulator));
    ring->reset(station.config().f64(cfg::kDataRate), histogram);
    fax::FaxStation fax(*ring, histogram, station.config(), station.folder(), clock, station.log(), sink,
                        {.text = text.get(), .printer = nullptr, .commands = commands.get()});
    fax.setPictureFolder(pictureFolder);
    fax.setSaveInline(true);
    // Audio always goes through the soundcard demodulators here, which force 14-bit AM items.
    const fax::FaxInput in{.soundcard = true,
                           .ptc = false,
                           .fourteenBit = mode.demodulator >= 1 && mode.demodulator <= 4,
                           .autoLpm = std::nullopt,
                           .synchronizeClock = false,
                           .saveEveryPicture = true};
    fax.selectMode(mode, in);
    sink.started();
    station.log().action("begin FAX reception");
    if (startNow)
        fax.startButton();
    const auto drive = driveReceiver(input, demod, *ring, realtime, [&](std::int64_t elapsedMs) {
        sink.setElapsedMs(elapsedMs);
        clock.set(startMs + elapsedMs);
        fax.tick();
        return true;
    });
    fax.endOfInput();
    station.log().action("end FAX reception");
    return {fax.picturesSaved(), fax.lastSavedFile(), drive.samples, drive};
}

namespace {

int decodeFaxCommand(std::vector<std::string>& args, CommonOptions& opts)
{
    std::string modeOption, out, clockText;
    takeOption(args, "--fax-mode", modeOption);
    takeOption(args, "--out", out);
    std::optional<std::int64_t> clockStart;
    if (takeOption(args, "--clock", clockText)) {
        clockStart = parseStationClock(clockText);
        if (!clockStart) {
            std::fprintf(stderr, "tellur32-cli decode fax: --clock wants YYYY-MM-DDTHH:MM[:SS], not '%s'\n",
                         clockText.c_str());
            return kExitUsage;
        }
    }
    const bool startNow = takeFlag(args, "--start-now");
    AudioInputOptions in;
    takeAudioInputOptions(args, in);
    if (in.listDevices)
        return listAudioDevices();
    if (in.device.empty()) {
        if (args.size() != 1) {
            std::fprintf(stderr, "Usage: tellur32-cli decode fax [options] IN\n");
            return kExitUsage;
        }
        in.source = args[0];
    }
    CliStation station(opts);
    const std::size_t row = faxModeRowFromOption(station.config(), modeOption);
    std::string error;
    auto input = AudioInput::open(in, error);
    if (!input) {
        std::fprintf(stderr, "tellur32-cli decode fax: %s\n", error.c_str());
        return kExitFailed;
    }
    const auto folder = out.empty() ? station.folderPath(StationFolder::FaxLastReceived)
                                    : std::filesystem::absolute(out);
    const auto r = decodeFax(station, opts, *input, row, startNow, folder, in.realtime, clockStart);
    if (r.drive.signal != 0)
        return exitStatusAfter(r.drive, kExitOk);
    if (r.pictures == 0) {
        std::fprintf(stderr, "tellur32-cli decode fax: no FAX picture found\n");
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

std::int64_t encodeFaxToWave(const fax::FaxTransmitSettings& settings, const storage::TDI8Bitmap& picture,
                             TextMaskRenderer* text, const std::filesystem::path& file, std::string& error)
{
    fax::FaxTransmitter tx(settings, picture, text);
    if (tx.pictureLines() > fax::kMaxTransmitLines) {
        error = "picture too large: " + std::to_string(picture.width()) + " x " + std::to_string(picture.height()) +
                " pixels give " + std::to_string(tx.pictureLines()) + " lines, at most " +
                std::to_string(fax::kMaxTransmitLines);
        return -1;
    }
    auto sink = signal::WaveFileSink::create(file, error);
    if (!sink)
        return -1;
    signal::ToneGenerator gen(*sink);
    gen.start();
    tx.writeAll(gen);
    gen.flush();
    if (gen.outputErrors() > 0) {
        error = gen.lastError();
        return -1;
    }
    if (!sink->commit(error))
        return -1;
    return sink->samples();
}

fax::FaxTransmitSettings faxTransmitSettings(const StationConfig& config, std::size_t row)
{
    fax::FaxTransmitSettings s;
    s.mode = fax::readFaxModeRow(config, row);
    s.lpm = s.mode.lpm;
    s.dataRate = config.f64(cfg::kDataRate);
    s.txRateOffset = config.f64(cfg::kTxRateOffset);
    s.ptc = false; // the file holds what the soundcard would play
    s.callSign = config.str(cfg::kCallsign, 15);
    s.handle = config.str(cfg::kHandle, 50);
    return s;
}

namespace {

int encodeFaxCommand(std::vector<std::string>& args, CommonOptions& opts)
{
    std::string modeOption, callSign;
    takeOption(args, "--fax-mode", modeOption);
    const bool haveCall = takeOption(args, "--callsign", callSign);
    if (args.size() != 2) {
        std::fprintf(stderr, "Usage: tellur32-cli encode fax [options] PICTURE OUT.wav\n");
        return kExitUsage;
    }
    CliStation station(opts);
    const std::size_t row = faxModeRowFromOption(station.config(), modeOption);
    auto settings = faxTransmitSettings(station.config(), row);
    if (haveCall)
        settings.callSign = callSign;
    if (!fax::callSignUsable(settings.callSign)) {
        std::fprintf(stderr, "tellur32-cli encode fax: Please enter your Callsign in the configuration window "
                             "first. (or give --callsign)\n");
        return kExitFailed;
    }
    storage::TDI8Bitmap picture;
    if (!storage::readPicture(args[0], picture)) {
        std::fprintf(stderr, "tellur32-cli encode fax: cannot read picture %s\n", args[0].c_str());
        return kExitFailed;
    }
    std::unique_ptr<platform::QtTextMaskRenderer> text;
    if (platform::ensureGuiApplication())
        text = std::make_unique<platform::QtTextMaskRenderer>();
    station.log().action("begin transmission of " + args[0] + ", Mode: " + settings.mode.name.str());
    std::string error;
    const std::int64_t samples = encodeFaxToWave(settings, picture, text.get(), args[1], error);
    if (samples < 0) {
        std::fprintf(stderr, "tellur32-cli encode fax: %s\n", error.c_str());
        return kExitFailed;
    }
    if (opts.json)
        emitJson("encoded", {{"mode", jsonString(settings.mode.name.str())},
                             {"file", jsonString(std::filesystem::absolute(args[1]).string())},
                             {"seconds", std::to_string(double(samples) / signal::kSoundcardRate)}});
    else if (!opts.quiet)
        std::fprintf(stderr, "%s: %.1f s of FAX audio in mode %s\n", args[1].c_str(),
                     double(samples) / signal::kSoundcardRate, settings.mode.name.str().c_str());
    return kExitOk;
}

const CliCommand kDecodeFax(
    "decode fax", "FAX reception from a recording or live audio",
    "Usage: tellur32-cli decode fax [options] IN\n\n"
    "Receives FAX pictures as the FAX-RX window does with its Auto button down: start and stop\n"
    "detection, phasing, automatic LPM. Pictures are saved as the save thread does (mode folder,\n"
    "file name template, pruning).\n\n"
    "  IN                 audio file (any libsndfile format) or - for raw s16le on standard input\n"
    "  --fax-mode NAME|ROW  FAX mode row (default: the configuration's current row)\n"
    "  --start-now        start a picture at once, as the Start button does\n"
    "  --out DIR          save below DIR instead of the FAX picture folder\n"
    "  --clock YYYY-MM-DDTHH:MM[:SS]  station time at the start of the input (default: now)\n"
    "  --rate N           sample rate of standard input (default 11025)\n"
    "  --realtime         pace the input at its real rate\n"
    "  --device NAME      capture from an audio device instead (--list-devices lists them)\n"
    "  --home DIR, --config NAME, --json, -q  as for every command\n",
    decodeFaxCommand);

const CliCommand kEncodeFax(
    "encode fax", "transmits a picture as FAX audio into a WAV file",
    "Usage: tellur32-cli encode fax [options] PICTURE OUT.wav\n\n"
    "Start tone, phasing, a header with the call sign, the picture scaled to the line and the stop\n"
    "tone, as the FAX transmitter sends them, at 11025 samples/s.\n\n"
    "  --fax-mode NAME|ROW  FAX mode row (default: the configuration's current row)\n"
    "  --callsign CALL    call sign for the header (default: the configuration's)\n"
    "  --home DIR, --config NAME, --json, -q  as for every command\n",
    encodeFaxCommand);

} // namespace
} // namespace tellur::cli
