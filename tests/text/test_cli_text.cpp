// The command-line text decoder end to end: minimodem's transmitter as the peer, the SYNOP
// report printer and the message store commands.
#include "text/signal_gen.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct Proc {
    int status = -1;
    std::string out;
};

Proc run(const std::string& cmd)
{
    Proc r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return r;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

fs::path freshDir(const std::string& name)
{
    fs::path d = fs::temp_directory_path() / ("tellur_cli_text_" + name + "_" + std::to_string(::getpid()));
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

std::string cli() { return std::string(TELLUR_CLI_PATH); }

bool haveMinimodem() { return run("command -v minimodem >/dev/null 2>&1 && echo yes").out == "yes\n"; }

// Letters, figures and punctuation that both ends' Baudot tables share. minimodem's transmitter
// assumes unshift-on-space and sends no letters shift after "figures, space", so the figures
// come last.
const std::string kText = "RYRYRYRY THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG CQ CQ DE TELLUR "
                          "1234567890 -?:()., ./ 73";

std::string squeeze(const std::string& s)
{
    std::string out;
    for (char c : s)
        if (c != '\n' && c != '\r')
            out.push_back(c);
    return out;
}

// Raw s16le receiver audio of a NAVTEX emission, cut after a fraction of it or followed by
// silence, for "decode navtex -".
fs::path navtexRaw(const fs::path& dir, const std::string& name, const std::string& text, double keep = 1,
                   double silenceSeconds = 0)
{
    std::vector<std::int16_t> audio = tellur::text::testgen::navtexAudio(text);
    audio.resize(static_cast<std::size_t>(static_cast<double>(audio.size()) * keep));
    audio.resize(audio.size() + static_cast<std::size_t>(silenceSeconds * 11025), 0);
    const fs::path file = dir / (name + ".raw");
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(audio.data()), static_cast<std::streamsize>(audio.size() * 2));
    return file;
}

// Seconds of a "dd-mmm-yyyy hh:nn:ss" text counted from the start of its year's January (a
// month is 31 days: only the order and small differences matter).
long captureSeconds(const std::string& text)
{
    static const std::string kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const long day = std::stol(text.substr(0, 2)), month = static_cast<long>(kMonths.find(text.substr(3, 3)) / 3);
    const long year = std::stol(text.substr(7, 4));
    return (((year * 12 + month) * 31 + day) * 24 + std::stol(text.substr(12, 2))) * 3600 +
           std::stol(text.substr(15, 2)) * 60 + std::stol(text.substr(18, 2));
}

// The times of the "--- Start capture: ..." and "--- End capture: ..." lines, in file order.
std::vector<long> captureStamps(const fs::path& file)
{
    std::ifstream in(file);
    std::vector<long> out;
    for (std::string line; std::getline(in, line);)
        for (const char* tag : {"--- Start capture: ", "--- End capture: "})
            if (line.rfind(tag, 0) == 0)
                out.push_back(captureSeconds(line.substr(std::string(tag).size())));
    return out;
}

const std::string kNavtexMessage = "ZCZC KA01\r\nGALE WARNING GERMAN BIGHT\r\nNNNN\r\n";

} // namespace

TEST(CliText, MinimodemRttyDecodesWithoutErrors)
{
    if (!haveMinimodem())
        GTEST_SKIP() << "minimodem is not installed (./tellur setup installs it)";
    const fs::path dir = freshDir("rtty");
    struct Case {
        const char* baud;
        int shift;
        const char* row;
    };
    for (Case c : {Case{"45.45", 170, "0"}, Case{"50", 450, "Baudot 50 / 450"}, Case{"75", 850, "5"}}) {
        const int center = 1360;
        const fs::path wav = dir / ("rtty_" + std::to_string(c.shift) + ".wav");
        const std::string tx = "printf '%s' '" + kText + "' | minimodem --tx -q -R 48000 -f " + wav.string() +
                               " --baudot --stopbits 1.5 -M " + std::to_string(center - c.shift / 2) + " -S " +
                               std::to_string(center + c.shift / 2) + " " + c.baud;
        ASSERT_EQ(run(tx).status, 0) << tx;
        const Proc rx = run(cli() + " --home " + dir.string() + " -q decode rtty " + wav.string() + " --rtty-mode '" +
                           c.row + "' --center 1360");
        ASSERT_EQ(rx.status, 0);
        EXPECT_NE(squeeze(rx.out).find(kText), std::string::npos) << c.baud << " Bd / " << c.shift << " Hz: " << rx.out;
    }
    EXPECT_TRUE(fs::exists(dir / "Textmessages-Lastreceived" / "Capture.txt"));
}

TEST(CliText, SynopPrintsTheReportAndFailsWithoutOne)
{
    const fs::path dir = freshDir("synop");
    {
        std::ofstream f(dir / "msg.txt");
        f << "ZCZC\r\nAAXX 09121\r\n10384 41598 70912 10123 21010 30123 40156 52015 60002 70260 83753 333 10145 "
             "80350=\r\nNNNN\r\n";
        std::ofstream g(dir / "none.txt");
        g << "nothing here\n";
    }
    Proc r = run(cli() + " --home " + dir.string() + " synop " + (dir / "msg.txt").string());
    EXPECT_EQ(r.status, 0);
    std::ifstream golden(TELLUR_FIXTURES_DIR "/text/synop_worked_example.txt");
    std::stringstream ss;
    ss << golden.rdbuf();
    EXPECT_EQ(r.out, ss.str());
    EXPECT_EQ(run(cli() + " --home " + dir.string() + " synop " + (dir / "none.txt").string() + " 2>/dev/null").status, 1);
    EXPECT_EQ(run(cli() + " --home " + dir.string() + " synop 2>/dev/null").status, 2);
}

TEST(CliText, MessagesImportListShowExport)
{
    const fs::path dir = freshDir("messages");
    {
        std::ofstream f(dir / "in.txt", std::ios::binary);
        f << "ZCZC KA05\r\nGALE WARNING\r\nNNNN\r\nZCZC SMRO01 YRBK\r\nAAXX 09121\r\nNNNN\r\n";
    }
    const std::string base = cli() + " --home " + dir.string() + " ";
    EXPECT_EQ(run(base + "-q messages import " + (dir / "in.txt").string()).status, 0);
    EXPECT_EQ(run(base + "messages import " + (dir / "missing.txt").string() + " 2>&1").out,
              "File not readable! (May be in use by another application)\n");
    Proc list = run(base + "--json messages list --type '^'");
    EXPECT_NE(list.out.find("\"id\":\"KA05\""), std::string::npos);
    EXPECT_EQ(list.out.find("@SMR"), std::string::npos);
    EXPECT_EQ(run(base + "messages show KA05").out, "ZCZC\nKA05\nGALE WARNING\nNNNN\n");
    EXPECT_EQ(run(base + "-q messages export " + (dir / "out.csv").string() + " --csv").status, 0);
    std::ifstream csv(dir / "out.csv");
    std::string header;
    std::getline(csv, header);
    EXPECT_EQ(header, "ID,Type,Station,FIRSTRX,LASTRX,Quality,Received,Replaced,Message\r");
    EXPECT_TRUE(fs::exists(dir / "NAVTEX-Database" / "NAVTEX.dbf"));
}

TEST(CliText, RealNavtexRecordingsDecode)
{
    const std::string dir = TELLUR_SHARED_DIR "/testdata/real/navtex/";
    if (!fs::exists(dir + "navtex_real_mondolfo_20211106.flac"))
        GTEST_SKIP() << "real NAVTEX recordings not present";
    const fs::path home = freshDir("navtex");
    Proc r = run(cli() + " --home " + home.string() + " -q decode navtex " + dir +
                 "navtex_real_mondolfo_20211106.flac --center 1000");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("ZCZC EE39\n062040 UTC NOV 21\nMONDOLFO RADIO"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("- NORDEST 9 SU MARE SUD BALEARI."), std::string::npos);
    r = run(cli() + " --home " + home.string() + " -q decode navtex " + dir + "navtex_example_fventuri.flac --center 1000");
    EXPECT_NE(r.out.find("NOW IS THE TIME FOR ALL GOOD MEN TO COME TO THE AID OF THEIR COUNTRY."), std::string::npos)
        << r.out;
}

TEST(CliText, NamedConfigurationChoosesTheModeRowAndTheStoreFolder)
{
    const std::string rec = TELLUR_SHARED_DIR "/testdata/real/navtex/navtex_example_fventuri.flac";
    if (!fs::exists(rec))
        GTEST_SKIP() << "real NAVTEX recordings not present";
    const fs::path home = freshDir("named");
    const std::string base = cli() + " --home " + home.string() + " --config Coast -q ";
    // The recording's centre is 1000 Hz; only the named configuration's NAVTEX row says so.
    ASSERT_EQ(run(base + "config set rttyMode.6.centerHz 1000").status, 0);
    ASSERT_EQ(run(base + "config set navtexDatabaseDir ./Coast-NAVTEX/").status, 0);
    const Proc r = run(base + "decode navtex " + rec);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("NOW IS THE TIME FOR ALL GOOD MEN"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(home / "Coast-NAVTEX" / "NAVTEX.dbf"));
    EXPECT_EQ(run(cli() + " --home " + home.string() + " -q decode navtex " + rec).out.find("NOW IS THE TIME"),
              std::string::npos)
        << "the standard configuration keeps its own centre";
}

// A message store that cannot be written loses a framed bulletin: the decoder says so on one
// line, logs it with "+++" and fails, and the capture file still holds the text.
TEST(CliText, UnwritableMessageStoreFailsAndKeepsTheCapture)
{
    if (!haveMinimodem())
        GTEST_SKIP() << "minimodem is not installed (./tellur setup installs it)";
    const fs::path dir = freshDir("nostore");
    const fs::path wav = dir / "bulletin.wav";
    ASSERT_EQ(run("printf 'RYRYRY\\r\\nZCZC KA05\\r\\nGALE WARNING\\r\\nNNNN\\r\\nRYRY ' | minimodem --tx -q -R 48000 -f " +
                  wav.string() + " --baudot --stopbits 1.5 -M 1275 -S 1445 45.45").status,
              0);
    const std::string base = cli() + " --home " + dir.string() + " ";
    ASSERT_EQ(run(base + "-q config set CreateEventlog 1").status, 0);
    fs::create_directories(dir / "NAVTEX-Database" / "NAVTEX.dbf"); // a folder where the database should be
    const Proc rx = run(base + "-q decode rtty " + wav.string() + " --rtty-mode 0 --center 1360 2>&1 >/dev/null");
    EXPECT_EQ(rx.status, 1) << rx.out;
    EXPECT_NE(rx.out.find("1 message(s) could not be stored"), std::string::npos) << rx.out;
    std::ifstream capture(dir / "Textmessages-Lastreceived" / "Capture.txt", std::ios::binary);
    const std::string captured((std::istreambuf_iterator<char>(capture)), {});
    EXPECT_NE(captured.find("GALE WARNING"), std::string::npos) << captured;
    std::ifstream logFile(dir / "Logfiles" / "Action-log.txt", std::ios::binary);
    const std::string logged((std::istreambuf_iterator<char>(logFile)), {});
    EXPECT_NE(logged.find("+++1 message(s) could not be stored"), std::string::npos) << logged;
}

TEST(CliText, AMessageCutOffByTheEndOfTheInputIsReportedAndNotStored)
{
    const fs::path home = freshDir("incomplete");
    const std::string base = cli() + " --home " + home.string() + " ";
    struct Case {
        const char* name;
        std::string text;
        double keep;
        bool incomplete;
    };
    // The cut recording stops in the middle of the body, the decoder still synchronised.
    for (const Case& c : {Case{"complete", kNavtexMessage, 1, false},
                          Case{"cut", "ZCZC KB02\r\nGALE WARNING GERMAN BIGHT WIND NW 8 SEA ROUGH\r\nNNNN\r\n", 0.7, true}}) {
        const fs::path raw = navtexRaw(home, c.name, c.text, c.keep);
        const Proc text = run(base + "decode navtex - < " + raw.string() + " 2>&1 >/dev/null");
        EXPECT_EQ(text.status, 0) << c.name;
        EXPECT_EQ(text.out.find("a message was incomplete at the end of the input and was not stored") !=
                      std::string::npos,
                  c.incomplete)
            << c.name << ": " << text.out;
        const Proc json = run(base + "--json decode navtex - < " + raw.string() + " 2>/dev/null");
        const bool event = json.out.find("\"event\":\"incomplete\"") != std::string::npos &&
                           json.out.find("\"what\":\"message\"") != std::string::npos;
        EXPECT_EQ(event, c.incomplete) << c.name << ": " << json.out;
    }
    const Proc list = run(base + "--json messages list");
    EXPECT_NE(list.out.find("\"id\":\"KA01\""), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find("KB02"), std::string::npos) << list.out;
}

TEST(CliText, TextCommandsKeepTheStationTime)
{
    // Five hours east of UTC: with "Use local time instead of UTC:" set, every stamp of the run
    // (message reception, capture file) is five hours ahead of the UTC run's.
    const fs::path utcHome = freshDir("utc"), localHome = freshDir("local");
    const fs::path raw = navtexRaw(utcHome, "msg", kNavtexMessage);
    const std::string tz = "TZ=Etc/GMT-5 ";
    ASSERT_EQ(run(tz + cli() + " --home " + localHome.string() + " -q config set IngnoreSummertime 1").status, 0);
    std::vector<long> firstRx, capture;
    for (const fs::path& home : {utcHome, localHome}) {
        const std::string base = tz + cli() + " --home " + home.string() + " -q ";
        ASSERT_EQ(run(base + "decode navtex - < " + raw.string() + " >/dev/null").status, 0);
        const Proc list = run(base + "--json messages list");
        const std::size_t at = list.out.find("\"firstrx\":\"");
        ASSERT_NE(at, std::string::npos) << list.out;
        firstRx.push_back(captureSeconds(list.out.substr(at + 11, 20)));
        const std::vector<long> stamps = captureStamps(home / "Textmessages-Lastreceived" / "Capture.txt");
        ASSERT_EQ(stamps.size(), 2u);
        capture.push_back(stamps[0]);
    }
    for (const auto& pair : {firstRx, capture})
        EXPECT_NEAR(pair[1] - pair[0], 5 * 3600, 120);
}

TEST(CliText, CaptureStampsFollowEachOtherFromRunToRun)
{
    // Two minutes of input decode in far less than two minutes: the capture file's stamps come
    // from the station clock, not from the input's time, so no run ends after the next began.
    const fs::path home = freshDir("capture");
    const fs::path raw = navtexRaw(home, "long", kNavtexMessage, 1, 120);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(run(cli() + " --home " + home.string() + " -q decode navtex - < " + raw.string() + " >/dev/null").status,
                  0);
    const std::vector<long> stamps = captureStamps(home / "Textmessages-Lastreceived" / "Capture.txt");
    ASSERT_EQ(stamps.size(), 4u);
    for (std::size_t i = 1; i < stamps.size(); ++i)
        EXPECT_LE(stamps[i - 1], stamps[i]) << "stamp " << i;
}
