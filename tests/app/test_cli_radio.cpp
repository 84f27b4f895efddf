// tellur32-cli radio against a fresh station folder: the frequency table, tuning through an
// external command, and the one-line failure of an unreachable rig.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string out; // standard output and standard error
};

Result cli(const fs::path& home, const std::string& args)
{
    const std::string cmd = std::string("'") + TELLUR_CLI_PATH + "' --home '" + home.string() + "' " + args + " 2>&1";
    Result r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

int closedLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

class CliRadio : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = fs::temp_directory_path() / ("tellur-cli-radio-" + std::to_string(::getpid()));
        fs::remove_all(home);
    }
    void TearDown() override { fs::remove_all(home); }
    fs::path home;
};

} // namespace

TEST_F(CliRadio, AddsAndListsTheFrequencyTableInEachOrder)
{
    ASSERT_EQ(cli(home, "radio add 7040 1 evening net").status, 0);
    ASSERT_EQ(cli(home, "radio add 14230 2 SSTV").status, 0);
    ASSERT_EQ(cli(home, "radio add 3580,5 1 Baudot").status, 0);
    EXPECT_TRUE(fs::is_regular_file(home / "Freqlist.dbf"));
    struct Case {
        const char* args;
        const char* out;
    };
    const Case cases[] = {
        {"radio list", "14230           2 SSTV\n3580,5          1 Baudot\n7040            1 evening net\n"},
        {"radio list --order radio", "3580,5          1 Baudot\n7040            1 evening net\n14230           2 SSTV\n"},
        {"radio list --order description", "3580,5          1 Baudot\n7040            1 evening net\n14230           2 SSTV\n"},
        {"radio list --order natural", "7040            1 evening net\n14230           2 SSTV\n3580,5          1 Baudot\n"},
        {"--json radio list --order natural",
         "{\"freq\":\"7040\",\"radio\":\"1\",\"description\":\"evening net\"}\n"
         "{\"freq\":\"14230\",\"radio\":\"2\",\"description\":\"SSTV\"}\n"
         "{\"freq\":\"3580,5\",\"radio\":\"1\",\"description\":\"Baudot\"}\n"},
    };
    for (const auto& c : cases) {
        const Result r = cli(home, c.args);
        EXPECT_EQ(r.status, 0) << c.args;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
    for (const char* bad : {"radio add 7040 5 x", "radio add seven 1 x", "radio add 7040 1", "radio list --order pitch"})
        EXPECT_EQ(cli(home, bad).status, 2) << bad;
}

TEST_F(CliRadio, TunesThroughTheExternalCommandWithTheFrequencyForAt)
{
    // A program without a folder runs in External-Programs.
    ASSERT_EQ(cli(home, "config set radio.2.command 'touch tuned-@'").status, 0);
    const Result r = cli(home, "-q radio set 3580,5 --radio 2");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::exists(home / "External-Programs" / "tuned-3580.5"));
}

TEST_F(CliRadio, AnUnreachableRigEndsWithOneLine)
{
    const std::string endpoint = "127.0.0.1:" + std::to_string(closedLoopbackPort());
    ASSERT_EQ(cli(home, "config set radio.3.asciiControl 1").status, 0);
    ASSERT_EQ(cli(home, "config set radio.3.type 5").status, 0);
    ASSERT_EQ(cli(home, "config set radio.3.command " + endpoint).status, 0);
    const Result r = cli(home, "radio set 7040 --radio 3");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "tellur32-cli radio: rigctld not reachable at " + endpoint + ": Connection refused\n");

    EXPECT_EQ(cli(home, "radio set 7040 --radio 5").status, 2);
    EXPECT_EQ(cli(home, "radio set 70x40").status, 2);
}
