// decode rtty|navtex, synop, messages: the text modes of the command-line tool.
#include "app/cli/audio_input.h"
#include "app/cli/cli.h"
#include "app/cli/cli_station.h"

#include "core/bounded_read.h"
#include "core/demodulator_table.h"
#include "core/numeric.h"
#include "core/sample_ring.h"
#include "core/station_config.h"
#include "core/station_time.h"
#include "text/message_filters.h"
#include "text/message_store.h"
#include "settings/rtty_mode_table.h"
#include "text/synop_decoder.h"
#include "text/text_station.h"
#include "text/text_window_model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace tellur::cli {
namespace {

namespace fs = std::filesystem;
using namespace tellur::text;

// The station clock of a run: the station time (UTC, or local time when the configuration says
// so) of the moment it is read.
DayTime stationNow(const StationConfig& config)
{
    return stationTimeDays(SystemWallClock::instance(), config.useLocalTime());
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void usage(const char* text)
{
    std::fprintf(stderr, "%s", text);
    throw std::invalid_argument("usage");
}

class MessageEcho final : public TextStationListener {
public:
    MessageEcho(bool json, bool quiet) : m_json(json), m_quiet(quiet) {}
    void messageFramed(const FramedMessage& m, int quality, bool stored) override
    {
        ++count;
        if (m_json)
            emitJson("message", {{"id", jsonString(m.id.substr(0, 4))}, {"quality", std::to_string(quality)},
                                 {"stored", stored ? "true" : "false"}});
        else if (!m_quiet)
            std::fprintf(stderr, "[message %s, quality %d%s]\n", m.id.substr(0, 4).c_str(), quality,
                         stored ? ", stored" : ", not stored");
    }
    int count = 0;

private:
    bool m_json, m_quiet;
};

int decodeText(std::vector<std::string>& args, CommonOptions& opts, bool navtex)
{
    std::string modeArg, center, baud, shift;
    AudioInputOptions in;
    takeAudioInputOptions(args, in);
    if (in.listDevices)
        return listAudioDevices();
    takeOption(args, "--rtty-mode", modeArg);
    takeOption(args, "--center", center);
    takeOption(args, "--baud", baud);
    takeOption(args, "--shift", shift);
    const bool reverse = takeFlag(args, "--reverse");
    const bool afc = takeFlag(args, "--afc");
    if (args.size() != 1 && !(args.empty() && !in.device.empty()))
        usage("Usage: tellur32-cli decode rtty|navtex IN [--rtty-mode NAME|ROW] [--center HZ] [--baud N] "
              "[--shift HZ] [--reverse] [--afc] [--rate N] [--realtime] [--device NAME]\n");
    if (!args.empty())
        in.source = args[0];

    CliStation station(opts);
    const StationConfig& config = station.config();
    std::size_t row = storedTextRow(config);
    if (navtex)
        row = firstFecRow(config).value_or(row);
    if (!modeArg.empty()) {
        bool found = false;
        for (std::size_t r = 0; r < kRttyModeRows && !found; ++r) {
            if (std::to_string(r) == modeArg || lower(std::string(readRttyModeRow(config, r).name.view())) == lower(modeArg)) {
                row = r;
                found = true;
            }
        }
        if (!found)
            usage("tellur32-cli decode: unknown --rtty-mode\n");
    }
    RttyModeRecord mode = readRttyModeRow(config, row);
    try {
        if (!center.empty())
            mode.centerHz = std::stoi(center);
        if (!shift.empty())
            mode.shiftHz = std::stoi(shift);
        if (!baud.empty())
            mode.baudE4 = static_cast<std::int64_t>(std::stod(baud) * 10000.0 + 0.5);
    } catch (const std::exception&) {
        usage("tellur32-cli decode: --center, --shift and --baud take numbers\n");
    }
    if (mode.baudE4 <= 0 || mode.shiftHz <= 0 || mode.centerHz <= 0)
        usage("tellur32-cli decode: --center, --shift and --baud must be positive\n");

    std::string error;
    std::unique_ptr<AudioInput> input = AudioInput::open(in, error);
    if (!input) {
        std::fprintf(stderr, "tellur32-cli decode: %s\n", error.c_str());
        if (opts.json)
            emitJson("error", {{"text", jsonString(error)}});
        return kExitFailed;
    }

    MessageEcho echo(opts.json, opts.quiet);
    TextStation text(textStationSettings(config, station.folder()), echo);
    text.applyMode(mode);

    // The window opens in operating mode 7; the row's shift (or FEC) then picks the demodulator.
    const int opMode = operatingModeFor(mode.type, mode.shiftHz, 7);
    signal::SoundcardDemodulator demod;
    demod.select(demodForMode(opMode)->name);
    demod.setCenterFrequency(mode.centerHz);
    demod.setInvert(reverse || mode.reverse);
    demod.setAfc(afc || mode.afc);
    auto ring = std::make_unique<SampleRing>();
    demod.restartLevelStatistics(7350.0);

    // Messages are stamped on the virtual clock of the input; the capture file's start and end
    // on the station clock, so that they follow each other from run to run.
    const DayTime start = stationNow(config);
    if (const std::string storeError = text.open(start); !storeError.empty()) {
        std::fprintf(stderr, "tellur32-cli decode: message store not available: %s\n", storeError.c_str());
        if (opts.json)
            emitJson("error", {{"text", jsonString(storeError)}});
    }

    bool lastRunning = !text.running();
    std::size_t shownChars = 0;
    DayTime now = start;
    const auto drive = driveReceiver(*input, demod, *ring, in.realtime, [&](std::int64_t elapsedMs) {
        now = start + static_cast<double>(elapsedMs) / 86400000.0;
        text.decode(*ring, now);
        text.consume(now);
        const std::string shown = text.flushDisplay();
        shownChars += shown.size();
        if (text.running() != lastRunning) {
            lastRunning = text.running();
            if (opts.json)
                emitJson("state", {{"state", jsonString(lastRunning ? "running" : "waiting")}});
        }
        if (!shown.empty()) {
            if (opts.json)
                emitJson("text", {{"chars", jsonString(shown)}});
            else {
                std::fwrite(shown.data(), 1, shown.size(), stdout);
                std::fflush(stdout);
            }
        }
        return true;
    });
    if (!opts.json)
        std::fputs("\n", stdout);
    if (text.endOfInput()) {
        std::fprintf(stderr, "tellur32-cli decode: a message was incomplete at the end of the input and was not stored\n");
        if (opts.json)
            emitJson("incomplete", {{"what", jsonString("message")}});
    }
    text.close(stationNow(config), nullptr);
    if (!opts.quiet && !opts.json)
        std::fprintf(stderr, "%zu characters, %d messages\n", shownChars, echo.count);
    if (text.lostMessages() > 0) {
        const std::string lost = std::to_string(text.lostMessages()) +
                                 " message(s) could not be stored in the message store " +
                                 (station.folderPath(StationFolder::NavtexDatabase) / kMessageStoreFile).string();
        station.log().action("+++" + lost);
        std::fprintf(stderr, "tellur32-cli decode: %s; the text is in the capture file\n", lost.c_str());
        return exitStatusAfter(drive, kExitFailed);
    }
    return exitStatusAfter(drive, kExitOk);
}

const CliCommand kDecodeRtty("decode rtty", "decodes RTTY (Baudot) text from audio",
                             "Usage: tellur32-cli decode rtty IN [--rtty-mode NAME|ROW] [--center HZ] [--baud N]\n"
                             "       [--shift HZ] [--reverse] [--afc] [--rate N]\n\n"
                             "Decodes Baudot RTTY from a sound file (or - for raw s16le on standard input) and\n"
                             "writes the text as the RTTY window shows it; bulletins go into the message store.\n",
                             [](std::vector<std::string>& a, CommonOptions& o) { return decodeText(a, o, false); });

const CliCommand kDecodeNavtex("decode navtex", "decodes NAVTEX (SITOR-B) messages from audio",
                               "Usage: tellur32-cli decode navtex IN [--center HZ] [--reverse] [--rate N]\n\n"
                               "Decodes NAVTEX with the first FEC row of the RTTY mode table; framed messages go\n"
                               "into the message store.\n",
                               [](std::vector<std::string>& a, CommonOptions& o) { return decodeText(a, o, true); });

std::vector<std::string> readTextLines(const std::string& path, bool& ok)
{
    const auto text = readFileAtMost(path, kMaxTextFileBytes);
    ok = text.has_value();
    std::istringstream in(text.value_or(std::string()));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

const CliCommand kSynop("synop", "prints the plain-language SYNOP/SHIP reports of a message file",
                        "Usage: tellur32-cli synop MESSAGE.txt\n\n"
                        "Decodes the AAXX (SYNOP) and BBXX (SHIP) reports of a message; station names come\n"
                        "from Synopstations.txt in the NAVTEX database folder.\n",
                        [](std::vector<std::string>& args, CommonOptions& opts) {
                            if (args.size() != 1)
                                usage("Usage: tellur32-cli synop MESSAGE.txt\n");
                            bool ok = false;
                            auto lines = readTextLines(args[0], ok);
                            if (!ok) {
                                std::fprintf(stderr, "tellur32-cli synop: cannot read %s\n", args[0].c_str());
                                return kExitFailed;
                            }
                            SynopStationList stations;
                            CliStation station(opts);
                            stations.load(station.folderPath(StationFolder::NavtexDatabase) /
                                          SynopStationList::kFileName);
                            std::vector<std::string> out;
                            if (!decodeSynop(lines, out, stations)) {
                                std::fprintf(stderr, "tellur32-cli synop: no SYNOP or SHIP report in %s\n",
                                             args[0].c_str());
                                return kExitFailed;
                            }
                            for (const std::string& l : out)
                                std::printf("%s\n", l.c_str());
                            return kExitOk;
                        });

std::string csvField(const std::string& s)
{
    std::string out = "\"";
    for (char c : s)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string dateText(DayTime t) { return formatCaptureTime(t); }

std::string plainText(const std::string& crlf)
{
    std::string s;
    for (char c : crlf)
        if (c != '\r')
            s.push_back(c);
    return s;
}

int messagesCommand(std::vector<std::string>& args, CommonOptions& opts)
{
    const char* help = "Usage: tellur32-cli messages list [--type KEY] [--station L]\n"
                       "       tellur32-cli messages show ID\n"
                       "       tellur32-cli messages import FILE.txt\n"
                       "       tellur32-cli messages export FILE [--csv] [--type KEY] [--station L]\n"
                       "       tellur32-cli messages delete --days N [--type KEY] [--station L]\n";
    std::string type, station, days;
    takeOption(args, "--type", type);
    takeOption(args, "--station", station);
    takeOption(args, "--days", days);
    const bool csv = takeFlag(args, "--csv");
    if (args.empty())
        usage(help);
    const std::string sub = args[0];
    CliStation home(opts);
    MessageStore store(textStationSettings(home.config(), home.folder()).databaseFolder);
    auto filter = parseFilterExpression(buildFilterExpression(type, station));
    if (!filter)
        usage("tellur32-cli messages: --type and --station take one character\n");

    if (sub == "list" && args.size() == 1) {
        for (const StoredMessage& m : store.list(*filter, MessageStore::Order::RxlIndex)) {
            if (opts.json)
                emitJson("message", {{"id", jsonString(m.id)}, {"type", jsonString(m.type)},
                                     {"station", jsonString(m.station)}, {"quality", std::to_string(m.quality)},
                                     {"received", std::to_string(m.received)},
                                     {"replaced", std::to_string(m.replaced)},
                                     {"firstrx", jsonString(dateText(m.firstRx))},
                                     {"lastrx", jsonString(dateText(m.lastRx))}});
            else
                std::printf("%-4s  %s  %s  %s  Q %4d  rx %d  repl %d\n", m.id.c_str(), m.type.c_str(),
                            m.station.c_str(), dateText(m.lastRx).c_str(), m.quality, m.received, m.replaced);
        }
        return kExitOk;
    }
    if (sub == "show" && args.size() == 2) {
        auto m = store.find(args[1]);
        if (!m) {
            std::fprintf(stderr, "tellur32-cli messages: no message %s\n", args[1].c_str());
            return kExitFailed;
        }
        if (opts.json)
            emitJson("message", {{"id", jsonString(m->id)}, {"quality", std::to_string(m->quality)},
                                 {"text", jsonString(plainText(m->message))}});
        else
            std::printf("%s\n", plainText(m->message).c_str());
        return kExitOk;
    }
    if (sub == "import" && args.size() == 2) {
        int n = store.importTextFile(args[1], stationNow(home.config()));
        if (n < 0) {
            std::fprintf(stderr, "File not readable! (May be in use by another application)\n");
            return kExitFailed;
        }
        if (opts.json)
            emitJson("import", {{"messages", std::to_string(n)}});
        else if (!opts.quiet)
            std::fprintf(stderr, "%d messages imported\n", n);
        return kExitOk;
    }
    if (sub == "export" && args.size() == 2) {
        std::ofstream out(args[1], std::ios::binary);
        if (!out) {
            std::fprintf(stderr, "tellur32-cli messages: cannot write %s\n", args[1].c_str());
            return kExitFailed;
        }
        auto all = store.list(*filter, MessageStore::Order::RxlIndex);
        if (csv)
            out << "ID,Type,Station,FIRSTRX,LASTRX,Quality,Received,Replaced,Message\r\n";
        for (const StoredMessage& m : all) {
            if (csv)
                out << csvField(m.id) << ',' << csvField(m.type) << ',' << csvField(m.station) << ','
                    << csvField(dateText(m.firstRx)) << ',' << csvField(dateText(m.lastRx)) << ',' << m.quality << ','
                    << m.received << ',' << m.replaced << ',' << csvField(m.message) << "\r\n";
            else
                out << m.message << "\r\n\r\n";
        }
        if (!out.flush()) {
            std::fprintf(stderr, "tellur32-cli messages: cannot write %s\n", args[1].c_str());
            return kExitFailed;
        }
        if (!opts.quiet && !opts.json)
            std::fprintf(stderr, "%zu messages exported\n", all.size());
        return kExitOk;
    }
    if (sub == "delete" && args.size() == 1 && !days.empty()) {
        int d = 0;
        try {
            d = std::stoi(days);
        } catch (const std::exception&) {
            usage(help);
        }
        int n = store.deleteGroup(*filter, d, stationNow(home.config()));
        if (!opts.quiet)
            std::fprintf(stderr, "%d messages deleted\n", n);
        return kExitOk;
    }
    usage(help);
    return kExitUsage;
}

const CliCommand kMessages("messages", "lists, shows, imports, exports and deletes stored messages",
                           "Usage: tellur32-cli messages list|show ID|import FILE|export FILE [--csv]|delete --days N\n"
                           "       [--type KEY] [--station L]\n\n"
                           "Works on the message store NAVTEX.dbf in the NAVTEX database folder. KEY is ^ (all\n"
                           "NAVTEX), @ (RTTY bulletins) or a subject letter; L a transmitter letter.\n",
                           messagesCommand);

} // namespace
} // namespace tellur::cli
