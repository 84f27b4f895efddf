// tellur32-cli config against a fresh station folder.
#include <gtest/gtest.h>

#include <QLockFile>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <csignal>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string out;
};

Result cli(const fs::path& home, const std::string& args)
{
    const std::string cmd = std::string("'") + TELLUR_CLI_PATH + "' --home '" + home.string() + "' " + args + " 2>/dev/null";
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

class CliConfig : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = fs::temp_directory_path() / ("tellur-cli-config-" + std::to_string(::getpid()));
        fs::remove_all(home);
    }
    void TearDown() override { fs::remove_all(home); }
    fs::path home;
};

} // namespace

TEST_F(CliConfig, CreatesTheStationAndDumpsEveryField)
{
    const Result r = cli(home, "config dump");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(fs::is_regular_file(home / "tellur32.CNJ"));
    EXPECT_EQ(fs::file_size(home / "tellur32.CNJ"), 16104u);
    EXPECT_TRUE(fs::is_directory(home / "FAX-Lastreceived"));
    EXPECT_EQ(r.out.front(), '[');
    for (const char* needle : {R"({"offset":0,"name":"Interface_Type","kind":"int32","size":4,"value":2})",
                               R"({"offset":16,"name":"DataRate","kind":"double","size":8,"value":7350})",
                               R"("name":"faxMode.0.name","kind":"text","size":21,"value":"HF-Fax"})",
                               R"("name":"rttyMode.6.name","kind":"text","size":21,"value":"NAVTEX"})",
                               R"({"offset":16080,"name":"configurationHeader","kind":"text","size":14,"value":"TELLUR32-0105"})"})
        EXPECT_NE(r.out.find(needle), std::string::npos) << needle;
}

TEST_F(CliConfig, SetSavesGetReadsAndBadValuesAreRefused)
{
    EXPECT_EQ(cli(home, "config set DataRate 7349.25").status, 0);
    EXPECT_EQ(cli(home, "config get DataRate").out, "7349.25\n");
    EXPECT_EQ(cli(home, "config set DataRate 99999").status, 2);
    EXPECT_EQ(cli(home, "config set NoSuchField 1").status, 2);
    EXPECT_EQ(cli(home, "config get DataRate").out, "7349.25\n");

    // A named configuration is created by set and read back by name; the standard one keeps its value.
    EXPECT_EQ(cli(home, "--config Contest config set faxMode.12.name Contest_Fax").status, 0);
    EXPECT_TRUE(fs::is_regular_file(home / "Contest.CNJ"));
    EXPECT_EQ(cli(home, "--config Contest.old config get faxMode.12.name").out, "Contest_Fax\n");
    EXPECT_EQ(cli(home, "config get faxMode.12.name").out, "\n");
    EXPECT_EQ(cli(home, "--json config get Callsign").out,
              "{\"offset\":40,\"name\":\"Callsign\",\"kind\":\"text\",\"size\":16,\"value\":\"\"}\n");
}

// A file the station could not load (foreign header) is never replaced by defaults; fields are
// found as the README writes them.
TEST_F(CliConfig, SetRefusesAFileItCouldNotLoadAndNamesMatchWithoutCase)
{
    ASSERT_EQ(cli(home, "config set \"data rate\" 7000").status, 0);
    EXPECT_EQ(cli(home, "config get \"data rate\"").out, "7000\n");
    EXPECT_EQ(cli(home, "config get DATARATE").out, "7000\n");

    std::string bytes;
    {
        std::ifstream in(home / "tellur32.CNJ", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bytes[16080 + 12] = '4'; // "TELLUR32-0104", another version's file
    {
        std::ofstream out(home / "tellur32.CNJ", std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    EXPECT_EQ(cli(home, "config set DataRate 7100").status, 1);
    std::ifstream in(home / "tellur32.CNJ", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
}

// While a running station holds its lock, set would be undone by the station's save on exit:
// it is refused unless --force, and the file keeps its value.
TEST_F(CliConfig, SetRefusesARunningStationUnlessForced)
{
    ASSERT_EQ(cli(home, "config set DataRate 7000").status, 0);
    {
        QLockFile running(QString::fromStdString((home / "tellur32.lock").string()));
        ASSERT_TRUE(running.tryLock(0));
        EXPECT_EQ(cli(home, "config set DataRate 7100").status, 1);
        EXPECT_EQ(cli(home, "config get DataRate").out, "7000\n");
        EXPECT_EQ(cli(home, "config set --force DataRate 7200").status, 0);
        EXPECT_EQ(cli(home, "config get DataRate").out, "7200\n");
    }
    EXPECT_EQ(cli(home, "config set DataRate 7300").status, 0);
}

// Killed at any moment of a set, the configuration file is the old record or the new one, whole.
// The moment of the kill varies from run to run; the check holds for every moment.
TEST_F(CliConfig, KillDuringSetNeverLeavesATruncatedFile)
{
    ASSERT_EQ(cli(home, "config set Callsign OLD").status, 0);
    const std::string homeDir = home.string();
    for (int i = 0; i < 30; ++i) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::execl(TELLUR_CLI_PATH, TELLUR_CLI_PATH, "--home", homeDir.c_str(), "-q", "config", "set", "Callsign",
                    i % 2 ? "NEW1" : "NEW2", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int y = 0; y < i * 40; ++y)
            ::sched_yield();
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_EQ(fs::file_size(home / "tellur32.CNJ"), 16104u) << "run " << i;
        const std::string value = cli(home, "config get Callsign").out;
        EXPECT_TRUE(value == "OLD\n" || value == "NEW1\n" || value == "NEW2\n") << "run " << i << ": " << value;
    }
}
