// Bad input through the command line, as a user or an attacker gives it: every case ends with
// its documented exit status and one line on standard error, and a file that was there before
// is left as it was.
#include "settings/config_fields.h"
#include "core/station_config.h"
#include "storage/di8_bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tellur;

namespace {

std::string readAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// A RIFF/WAVE header and data of 16-bit mono samples at any rate.
std::string wave(std::uint32_t rate, std::uint32_t samples)
{
    auto le32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto le16 = [](std::uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    const std::uint32_t data = samples * 2;
    return "RIFF" + le32(36 + data) + "WAVEfmt " + le32(16) + le16(1) + le16(1) + le32(rate) + le32(rate * 2) + le16(2) +
           le16(16) + "data" + le32(data) + std::string(data, '\0');
}

struct Outcome {
    int status = -1;
    std::string err;
};

class CliBadInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("tellur-cli-bad-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        home = dir / "home";
        fs::create_directories(dir / "run");
        fs::permissions(dir / "run", fs::perms::owner_all);
    }
    void TearDown() override { fs::remove_all(dir); }

    // The station's own limit (timeout) only keeps a fault from hanging the suite.
    Outcome cli(const std::string& args)
    {
        const fs::path errFile = dir / "stderr.txt";
        // A private runtime folder keeps Qt's note about a missing one off standard error.
        const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR='" +
                                (dir / "run").string() + "' timeout -s KILL 60 '" +
                                std::string(TELLUR_CLI_PATH) + "' --home '" + home.string() + "' -q " + args +
                                " >/dev/null 2>'" + errFile.string() + "'";
        const int st = std::system(cmd.c_str());
        Outcome o;
        o.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        o.err = readAll(errFile);
        return o;
    }
    fs::path dir, home;
};

} // namespace

TEST_F(CliBadInput, EachEndsWithItsStatusAndOneLine)
{
    ASSERT_EQ(cli("config get DataRate").status, 0); // a station with its standard configuration
    const fs::path kept = dir / "kept.wav";
    writeAll(kept, "an existing file that no failed command may touch");
    writeAll(dir / "rate1.wav", wave(1, 44000));
    writeAll(dir / "short.wav", wave(11025, 11025));
    storage::TDI8Bitmap tall(16, 32767);
    tall.markAllWritten();
    ASSERT_TRUE(tall.save(dir / "tall.png"));
    const std::string standard = (home / "tellur32.CNJ").string();

    struct Case {
        const char* what;
        std::string args;
        int status;
        std::function<void()> prepare;
        const char* says = ""; // part of the line, where a wrong one could still fail the same way
    };
    const std::string d = "'" + dir.string() + "/";
    const std::vector<Case> cases = {
        {"picture that scales to millions of lines", "encode fax --callsign DL0TST " + d + "tall.png' '" + kept.string() + "'", 1, {}},
        {"endless picture input", "encode fax --callsign DL0TST /dev/zero '" + kept.string() + "'", 1, {}},
        {"endless SSTV picture input", "encode sstv --callsign DL0TST /dev/zero '" + kept.string() + "'", 1, {}},
        {"endless message file", "synop /dev/zero", 1, {}},
        {"endless import", "messages import /dev/zero", 1, {}},
        {"endless sound input", "decode navtex /dev/zero", 1, {}},
        {"WAV at 1 S/s", "decode navtex " + d + "rate1.wav'", 1, {}},
        {"stdin rate of 1 S/s", "decode fax - --rate 1 </dev/null", 2, {}},
        {"missing input", "decode fax " + d + "missing.wav'", 1, {}},
        {"damaged configuration (2 000 000 000 lines)", "decode fax " + d + "short.wav'", 1,
         [&] {
             const std::string bytes = readAll(standard);
             StationConfig c;
             std::copy(bytes.begin(), bytes.end(), c.bytes().begin());
             c.setI32(findConfigField("faxMode.0.maxLines")->offset, 2000000000);
             writeAll(standard, std::string(c.bytes().begin(), c.bytes().end()));
         },
         "no FAX picture found"},
        {"config set on another version's file", "config set DataRate 7000", 1,
         [&] {
             std::string bytes = readAll(standard);
             bytes[16080 + 12] = '4';
             writeAll(standard, bytes);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.prepare)
            c.prepare();
        const std::string configBefore = readAll(standard);
        const Outcome o = cli(c.args);
        EXPECT_EQ(o.status, c.status) << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
        EXPECT_EQ(readAll(kept), "an existing file that no failed command may touch");
        EXPECT_EQ(readAll(standard), configBefore);
    }
}
