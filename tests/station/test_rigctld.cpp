// Tuning through a real rigctld (Hamlib's dummy rig) on a free loopback port, read back with
// rigctl through the daemon as another program sharing the rig would.
#include "core/event_log.h"
#include "core/station_config.h"
#include "station/frequency_control.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace tellur;
using namespace tellur::station;

namespace {

bool have(const char* program)
{
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

int freeLoopbackPort()
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

bool accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

class Daemon {
public:
    explicit Daemon(int port)
    {
        std::string portText = std::to_string(port);
        std::vector<std::string> args = {"rigctld", "-m", "1", "-T", "127.0.0.1", "-t", portText};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&m_pid, "rigctld", nullptr, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        for (int i = 0; i < 500 && m_pid > 0 && !accepts(port); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~Daemon()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    bool running() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
};

std::string readBack(int port, const char* command)
{
    const std::string line = "rigctl -m 2 -r 127.0.0.1:" + std::to_string(port) + " " + command + " 2>/dev/null";
    std::FILE* p = ::popen(line.c_str(), "r");
    if (!p)
        return {};
    std::string out;
    std::array<char, 128> buf;
    while (std::fgets(buf.data(), buf.size(), p))
        out += buf.data();
    ::pclose(p);
    return out;
}

// Nothing else is asked of the station on the network path.
class NoStation final : public RadioStation {
public:
    signal::SerialPort& mainPort() override { std::abort(); }
    signal::SerialWaiter& waiter() override { std::abort(); }
    bool stopSerialReader() override { std::abort(); }
    void startSerialReader() override { std::abort(); }
    void setOperatingMode(int) override { std::abort(); }
    bool ptc2SingleCommand(std::string_view) override { std::abort(); }
    bool runAndWait(const std::string&, const std::filesystem::path&) override { std::abort(); }
};

} // namespace

TEST(Rigctld, TunesTheDummyRigThatAnotherClientReadsBack)
{
    if (!have("rigctld") || !have("rigctl"))
        GTEST_SKIP() << "rigctld/rigctl are not installed (./tellur setup installs libhamlib-utils)";
    const int port = freeLoopbackPort();
    Daemon daemon(port);
    ASSERT_TRUE(daemon.running());
    ASSERT_TRUE(accepts(port));

    StationConfig config;
    setRadioPortEntry(config, 3, {"127.0.0.1:" + std::to_string(port), false, true, 0, 2400, RadioType::Rigctld, ""});
    RunFlags flags;
    NoStation station;
    RecordingEventLog log;
    FrequencyControl control(config, flags, station, log, "/station");

    for (const char* khz : {"14230.5", "7040,125"}) {
        const TuneResult r = control.setFrequency(3, khz);
        EXPECT_TRUE(r.ok()) << khz << ": " << r.reason;
        EXPECT_EQ(readBack(port, "f"), std::to_string(parseFrequency(khz)->hz) + "\n") << khz;
    }
    EXPECT_EQ(readBack(port, "m").substr(0, 4), "USB\n");
    EXPECT_TRUE(log.entries().empty());
}
