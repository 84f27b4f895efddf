// encode fax -> decode fax through the command-line tool, as a user runs them, and the demo.
#include "fax_test_support.h"

#include "storage/picture_files.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sndfile.h>
#include <csignal>
#include <iterator>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

using namespace faxtest;
namespace fs = std::filesystem;

namespace {

struct Run {
    int rc = -1;
    std::string out;
};

Run run(const std::string& args)
{
    Run r;
    const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + std::string(TELLUR_CLI_PATH) +
                            " " + args + " 2>/dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return r;
    std::array<char, 4096> buf{};
    while (std::fgets(buf.data(), buf.size(), p))
        r.out += buf.data();
    const int status = ::pclose(p);
    r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

class FaxCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("tellur_fax_cli_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        home = "--home '" + (dir / "home").string() + "' ";
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    std::string home;
};

} // namespace

TEST_F(FaxCli, EncodeThenDecodeRoundTrip)
{
    struct Case { const char* mode; int row; };
    for (const auto c : {Case{"HF-Fax", 0}, Case{"Ham_288b", 10}}) {
        SCOPED_TRACE(c.mode);
        const FaxModeRecord mode = kDefaultFaxModes[std::size_t(c.row)];
        auto source = makeChart(mode.pixelsPerLine, 34);
        source.markAllWritten();
        const auto pic = dir / "chart.png";
        ASSERT_TRUE(source.save(pic));
        const auto wav = dir / (std::string(c.mode) + ".wav");
        auto r = run(home + "encode fax --fax-mode " + c.mode + " --callsign DL0TST '" + pic.string() + "' '" +
                     wav.string() + "'");
        ASSERT_EQ(r.rc, 0);
        ASSERT_TRUE(fs::exists(wav));

        r = run(home + "--json decode fax --fax-mode " + std::to_string(c.row) + " --out '" + (dir / "out").string() +
                "' '" + wav.string() + "'");
        ASSERT_EQ(r.rc, 0) << r.out;
        EXPECT_NE(r.out.find("{\"event\":\"state\""), std::string::npos);
        EXPECT_NE(r.out.find("\"state\":\"phasing\""), std::string::npos);
        const auto phasing = r.out.find("\"state\":\"phasing\"");
        EXPECT_NE(r.out.find("\"lpm\":" + std::to_string(mode.lpm), phasing), std::string::npos)
            << "the speed measured by phasing";
        const auto at = r.out.find("\"event\":\"picture\"");
        ASSERT_NE(at, std::string::npos) << r.out;
        const auto fileAt = r.out.find("\"file\":\"", at) + 8;
        const fs::path saved = r.out.substr(fileAt, r.out.find('"', fileAt) - fileAt);
        EXPECT_EQ(saved.parent_path(), dir / "out" / c.mode);
        EXPECT_EQ(saved.extension(), ".png");

        storage::TDI8Bitmap received;
        ASSERT_TRUE(storage::readPicture(saved, received));
        EXPECT_EQ(received.width(), mode.pixelsToShow);
        FaxTransmitSettings ts;
        ts.mode = mode;
        ts.lpm = mode.lpm;
        FaxTransmitter tx(ts, source, nullptr);
        const auto expected = transmittedPicture(tx, source, mode.pixelsPerLine);
        const Match m = bestMatch(received, expected, tx.margin(), 12, 26, tx.margin() - 30, tx.margin() + 10);
        std::printf("%s via the CLI: ncc %.4f\n", c.mode, m.ncc);
        EXPECT_GT(m.ncc, 0.95);
    }
}

TEST_F(FaxCli, FailuresAndExitCodes)
{
    // Silence and noise hold no picture.
    const auto wav = dir / "noise.wav";
    SF_INFO info{};
    info.samplerate = 11025;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(wav.c_str(), SFM_WRITE, &info);
    std::mt19937 rng(2);
    std::normal_distribution<double> n(0, 8000);
    std::vector<short> s(11025 * 20);
    for (auto& v : s)
        v = static_cast<short>(std::clamp(n(rng), -32000.0, 32000.0));
    sf_write_short(f, s.data(), static_cast<sf_count_t>(s.size()));
    sf_close(f);
    EXPECT_EQ(run(home + "decode fax '" + wav.string() + "'").rc, 1);
    EXPECT_EQ(run(home + "decode fax '" + (dir / "missing.wav").string() + "'").rc, 1);
    EXPECT_EQ(run(home + "decode fax --fax-mode NoSuchMode '" + wav.string() + "'").rc, 2);
    EXPECT_EQ(run(home + "decode fax").rc, 2);

    storage::TDI8Bitmap pic(200, 20);
    pic.markAllWritten();
    ASSERT_TRUE(pic.save(dir / "p.png"));
    EXPECT_EQ(run(home + "encode fax '" + (dir / "p.png").string() + "' '" + (dir / "x.wav").string() + "'").rc, 1)
        << "no call sign configured";
    EXPECT_EQ(run(home + "encode fax --callsign DL0TST '" + (dir / "none.png").string() + "' '" +
                  (dir / "x.wav").string() + "'")
                  .rc,
              1);
}

TEST_F(FaxCli, DemoRunsWithoutADisplay)
{
    const auto r = run(home + "demo --out '" + (dir / "demo").string() + "'");
    ASSERT_EQ(r.rc, 0) << r.out;
    const auto at = r.out.find("received picture:");
    ASSERT_NE(at, std::string::npos) << r.out;
    std::string file = r.out.substr(at + 17);
    file = file.substr(file.find_first_not_of(' '));
    file = file.substr(0, file.find('\n'));
    EXPECT_TRUE(fs::exists(file)) << file;
    EXPECT_TRUE(fs::exists(dir / "demo" / "tellur32-demo-fax.wav"));
}

// Ctrl-C or SIGTERM in the middle of a picture from a pipe ends the reception as Stop does: the
// picture in progress is saved, and the exit status names the signal.
TEST_F(FaxCli, SignalDuringDecodeKeepsThePictureInProgress)
{
    const FaxModeRecord mode = kDefaultFaxModes[0];
    auto source = makeChart(mode.pixelsPerLine, 300);
    source.markAllWritten();
    const auto pic = dir / "chart.png";
    ASSERT_TRUE(source.save(pic));
    const auto wav = dir / "fax.wav";
    ASSERT_EQ(run(home + "encode fax --callsign DL0TST '" + pic.string() + "' '" + wav.string() + "'").rc, 0);
    std::string audio;
    {
        std::ifstream in(wav, std::ios::binary);
        audio.assign(std::istreambuf_iterator<char>(in), {});
    }
    audio = audio.substr(44, (audio.size() - 44) * 7 / 10 / 2 * 2); // raw s16le, most of the picture

    struct Case { int sig; int status; };
    for (const auto c : {Case{SIGINT, 130}, Case{SIGTERM, 143}}) {
        SCOPED_TRACE(c.sig);
        const fs::path out = dir / ("out" + std::to_string(c.sig));
        int toChild[2], fromChild[2];
        ASSERT_EQ(::pipe(toChild), 0);
        ASSERT_EQ(::pipe(fromChild), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::dup2(toChild[0], 0);
            ::dup2(fromChild[1], 1);
            ::close(toChild[1]);
            ::close(fromChild[0]);
            const std::string homeDir = (dir / "home").string(), outDir = out.string();
            ::execl(TELLUR_CLI_PATH, TELLUR_CLI_PATH, "--home", homeDir.c_str(), "--json", "decode", "fax", "--out",
                    outDir.c_str(), "-", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        std::thread feeder([&] {
            std::size_t done = 0;
            while (done < audio.size()) {
                const auto n = ::write(toChild[1], audio.data() + done, audio.size() - done);
                if (n <= 0)
                    break;
                done += std::size_t(n);
            }
        });
        // The picture is under way once the receiver reports its running state.
        std::string seen;
        char buf[4096];
        while (seen.find("\"state\":\"running\"") == std::string::npos) {
            const auto n = ::read(fromChild[0], buf, sizeof buf);
            if (n <= 0)
                break;
            seen.append(buf, std::size_t(n));
        }
        feeder.join(); // the pipe is kept open: the decoder waits for more input
        ::kill(pid, c.sig);
        for (ssize_t n; (n = ::read(fromChild[0], buf, sizeof buf)) > 0;)
            seen.append(buf, std::size_t(n));
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(toChild[1]);
        ::close(fromChild[0]);
        ASSERT_TRUE(WIFEXITED(status)) << seen;
        EXPECT_EQ(WEXITSTATUS(status), c.status) << seen;
        EXPECT_NE(seen.find("{\"event\":\"picture\""), std::string::npos) << seen;
        EXPECT_TRUE(fs::exists(out / "HF-Fax")) << seen;
    }
}
