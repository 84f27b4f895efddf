// decode fax / encode fax: FAX reception from recordings or live audio with the receiver of the
// FAX-RX window (Auto button down), and FAX transmission of a picture into a WAV file.
#include "app/cli/audio_input.h"
#include "app/cli/cli.h"
#include "app/cli/fax_cli.h"

#include "core/station_time.h"
#include "fax/fax_header.h"
#include "settings/fax_mode_table.h"
#include "fax/fax_assembly.h"
#include "fax/mask.h"
#include "fax/palette_file.h"
#include "fax/fax_receiver.h"
#include "fax/fax_saving.h"
#include "fax/fax_transmitter.h"
#include "platform/qt_text_mask.h"
#include "signal/demodulators.h"
#include "signal/tone_generator.h"
#include "signal/wave_file_sink.h"
#include "storage/picture_files.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <memory>
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

fax::FaxReceiverSettings faxReceiverSettings(const StationConfig& config, const std::filesystem::path& masksFolder,
                                             std::int32_t demodulator)
{
    fax::FaxReceiverSettings s;
    s.dataRate = config.f64(cfg::kDataRate);
    if (!(s.dataRate > 0.0))
        s.dataRate = 7350.0;
    // Audio always goes through the soundcard demodulators here, which force 14-bit AM items.
    s.soundcard = true;
    s.fourteenBit = demodulator >= 1 && demodulator <= 4;
    s.autoLpm = config.flag(cfg::kFaxAutoLpm);
    s.squelchThreshold = config.u8(cfg::kFaxSquelchThreshold);
    s.autoSave = true;
    s.autoPrint = false;
    s.synchronizeTime = false; // a decoder never sets the computer's clock
    s.synchronizeOffset = config.i32(cfg::kFaxSyncOffset);
    for (int i = 0; i < cfg::kMovieFormatCount; ++i) {
        const std::string code =
            fax::trimmed(config.str(cfg::kMovieFormats + std::size_t(i) * cfg::kMovieFormatSize, cfg::kMovieFormatCapacity));
        if (!code.empty())
            s.movieFormats.push_back(code);
    }
    s.masksFolder = masksFolder;
    return s;
}

// The receiver's host on the command line: station time runs with the input, pictures are saved
// at once on this thread, events go to standard output as JSON.
class CliFaxHost final : public fax::FaxReceiverHost {
public:
    CliFaxHost(CliStation& station, const CommonOptions& opts, const fax::FaxModeRecord& mode,
               std::filesystem::path pictureFolder, TextMaskRenderer* text)
        : m_station(station), m_opts(opts), m_mode(mode), m_pictureFolder(std::move(pictureFolder)), m_text(text),
          m_startDays(stationTimeDays(SystemWallClock::instance(), station.config().flag(cfg::kUseLocalTime)))
    {
    }
    void attach(fax::FaxReceiver* rx) { m_rx = rx; }
    void setElapsedMs(std::int64_t ms) { m_elapsedMs = ms; }
    int saved() const { return m_saved; }

    double stationTime() override { return m_startDays + double(m_elapsedMs) / 86400000.0; }
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
        m_lpm = lpm;
        if (m_opts.json && m_rx)
            emitJson("lpm", {{"lpm", std::to_string(lpm)}});
    }
    void headerTextChanged(const std::string& text) override
    {
        if (!text.empty() && m_opts.json)
            emitJson("header", {{"text", jsonString(text)}});
    }
    void startSave(const fax::FinishedPicture& info) override
    {
        if (!m_rx)
            return;
        auto req = fax::saveRequestFromConfig(m_station.config(), m_mode, info, m_station.folder());
        req.pictureFolder = m_pictureFolder;
        req.autoSave = true;
        req.autoPrint = false;
        const auto result = fax::saveReceivedPicture(req, m_rx->picture(), m_text, nullptr);
        if (!result.written) {
            m_station.log().error("+++ picture could not be written: " + result.file.string());
            if (m_opts.json)
                emitJson("error", {{"text", jsonString("picture could not be written: " + result.file.string())}});
            else
                std::fprintf(stderr, "tellur32-cli: picture could not be written: %s\n", result.file.c_str());
            return;
        }
        ++m_saved;
        m_lastSaved = result.file;
        if (m_opts.json)
            emitJson("picture", {{"mode", jsonString(m_mode.name.str())},
                                 {"file", jsonString(result.file.string())},
                                 {"lines", std::to_string(info.lines)}});
        else if (!m_opts.quiet)
            std::fprintf(stderr, "picture saved: %s (%d lines)\n", result.file.c_str(), info.lines);
    }
    const std::filesystem::path& lastSaved() const { return m_lastSaved; }
    bool loadMask(const std::string& formatCode, const std::string& paletteCode) override
    {
        const auto masks = m_station.folderPath(StationFolder::MasksPalettes);
        const auto file = fax::findMask(masks, formatCode);
        if (file.empty() || !fax::loadPalette(masks, paletteCode + ".psl", m_palette, m_rx ? &m_rx->picture() : nullptr))
            return false;
        return m_mask.load(file);
    }
    void releaseMask() override { m_mask.release(); }
    void applyMask(std::span<std::uint8_t> line, int lineCount) override
    {
        if (m_mask.isLoaded())
            m_mask.applyToLine(line, fax::pictureRow(lineCount, m_mode.maxLines, m_mode.bottomToTop != 0),
                               m_station.config().flag(cfg::kFaxInvertMask));
    }
    bool loadPalette(const std::string& fileName) override
    {
        return fax::loadPalette(m_station.folderPath(StationFolder::MasksPalettes), fileName, m_palette,
                                m_rx ? &m_rx->picture() : nullptr);
    }

private:
    CliStation& m_station;
    const CommonOptions& m_opts;
    fax::FaxModeRecord m_mode;
    std::filesystem::path m_pictureFolder;
    TextMaskRenderer* m_text;
    fax::FaxReceiver* m_rx = nullptr;
    double m_startDays;
    std::int64_t m_elapsedMs = 0;
    fax::ReceptionState m_last = fax::ReceptionState::Waiting;
    int m_lpm = 0;
    int m_saved = 0;
    std::filesystem::path m_lastSaved;
    storage::ColourTable m_palette = storage::greyRamp();
    fax::ReceiveMask m_mask;
};

FaxDecodeResult decodeFax(CliStation& station, const CommonOptions& opts, AudioInput& input, std::size_t row,
                          bool startNow, const std::filesystem::path& pictureFolder, bool realtime)
{
    const fax::FaxModeRecord mode = fax::readFaxModeRow(station.config(), row);
    std::unique_ptr<platform::QtTextMaskRenderer> text;
    if (station.config().flag(cfg::kFaxTimestamp) && platform::ensureGuiApplication())
        text = std::make_unique<platform::QtTextMaskRenderer>();
    CliFaxHost host(station, opts, mode, pictureFolder, text.get());
    auto ring = std::make_unique<SampleRing>();
    LevelHistogram histogram;
    signal::SoundcardDemodulator demod;
    demod.setDataRate(station.config().f64(cfg::kDataRate));
    demod.select(faxDemodulatorName(mode.demodulator));
    ring->reset(station.config().f64(cfg::kDataRate), histogram);
    fax::FaxReceiver rx(*ring, histogram, host, station.log());
    host.attach(&rx);
    rx.selectMode(mode, faxReceiverSettings(station.config(), station.folderPath(StationFolder::MasksPalettes),
                                            mode.demodulator));
    station.log().action("begin FAX reception");
    if (startNow)
        rx.startButtonClick();
    const auto drive = driveReceiver(input, demod, *ring, realtime, [&](std::int64_t elapsedMs) {
        host.setElapsedMs(elapsedMs);
        rx.tick(200);
        return true;
    });
    // End of input: what Stop does with a picture under way, answering yes to "Save received picture?".
    if (rx.state() != fax::ReceptionState::Waiting)
        rx.stopButtonClick(true);
    station.log().action("end FAX reception");
    return {host.saved(), host.lastSaved(), drive.samples, drive};
}

namespace {

int decodeFaxCommand(std::vector<std::string>& args, CommonOptions& opts)
{
    std::string modeOption, out;
    takeOption(args, "--fax-mode", modeOption);
    takeOption(args, "--out", out);
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
    const auto r = decodeFax(station, opts, *input, row, startNow, folder, in.realtime);
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
