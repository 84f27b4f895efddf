// The GUI program as a user starts and ends it: on a prepared station it comes up, and a
// termination signal (logout, shutdown, kill) closes it like a user's close, saving the
// configuration and logging the end.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

int runCli(const fs::path& home, const std::string& args)
{
    const std::string cmd = std::string("'") + TELLUR_CLI_PATH + "' --home '" + home.string() + "' " + args + " >/dev/null 2>&1";
    const int st = std::system(cmd.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

pid_t startGui(const fs::path& home)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(TELLUR_GUI_PATH, TELLUR_GUI_PATH, "--home", home.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

// Polls a running program: a generous bound, done as soon as the condition holds.
template <typename F>
bool eventually(F condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

} // namespace

TEST(GuiProgram, StartsOnAPreparedStationAndClosesCleanlyOnTermination)
{
    const fs::path home = fs::temp_directory_path() / ("tellur-gui-smoke-" + std::to_string(::getpid()));
    fs::remove_all(home);
    ASSERT_EQ(runCli(home, "config set CreateEventlog 1"), 0);
    // Asks the quit question on a user's close; a terminating session must not wait for it.
    ASSERT_EQ(runCli(home, "config set EnableQuitQuery 1"), 0);
    const auto before = fs::last_write_time(home / "tellur32.CNJ") - std::chrono::hours(1);
    fs::last_write_time(home / "tellur32.CNJ", before);
    const fs::path actions = home / "Logfiles" / "Action-log.txt";

    const pid_t pid = startGui(home);
    ASSERT_GT(pid, 0);
    int status = 0;
    const bool up = eventually([&] { return readFile(actions).find("tellur32 launches") != std::string::npos; });
    if (!up)
        ::kill(pid, SIGKILL);
    else
        ::kill(pid, SIGTERM);
    bool ended = eventually([&] { return ::waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    ASSERT_TRUE(up) << "the station did not come up";
    ASSERT_TRUE(ended) << "the station did not end on SIGTERM";
    EXPECT_TRUE(WIFEXITED(status)) << "ended by a signal, not by closing";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(readFile(actions).find("tellur32 terminates"), std::string::npos);
    EXPECT_EQ(fs::file_size(home / "tellur32.CNJ"), 16104u);
    EXPECT_GT(fs::last_write_time(home / "tellur32.CNJ"), before) << "saved on the way out";
    fs::remove_all(home);
}
