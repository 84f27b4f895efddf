// A simulated serial device on a pseudo-terminal: socat makes the pty and runs one of the
// simulators of tests/sim behind it. The device path takes the place of a COM port in the port
// map; everything the program sends is appended to a log file the test can read back.
#pragma once

#include "core/sample_ring.h"
#include "signal/serial_port_map.h"
#include "signal/serial_watchdog.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tellur::testing {

// QSerialPort's thread needs an application object; the programs have one, a test binary
// without its own main gets one here.
inline void ensureApplication()
{
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "test_platform";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
}

inline bool haveSocat()
{
    return std::system("command -v socat >/dev/null 2>&1") == 0;
}

class SimulatedDevice {
public:
    // args: the simulator's device name and options (no blanks or commas inside one argument).
    explicit SimulatedDevice(const std::vector<std::string>& args)
    {
        char tmpl[] = "/tmp/tellur-serial-XXXXXX";
        if (!mkdtemp(tmpl))
            return;
        m_dir = tmpl;
        std::string exec = "EXEC:/usr/bin/python3 " + std::string(TELLUR_SOURCE_DIR) + "/tests/sim/serial_sim.py";
        for (const auto& a : args)
            exec += " " + a;
        exec += " --log " + logPath().string() + " --control " + m_dir.string();
        // A real device drains the line at once; the simulator must be quick enough that the
        // program's "clear output" a few ticks after a write finds nothing left to drop, even on
        // a loaded machine. Without the right to raise priority nice just runs socat as it is.
        std::vector<std::string> argv = {"nice", "-n", "-10", "socat",
                                         "pty,raw,echo=0,link=" + devicePath().string() + ",ignoreeof", exec};
        std::vector<char*> cargv;
        for (auto& s : argv)
            cargv.push_back(s.data());
        cargv.push_back(nullptr);
        if (posix_spawnp(&m_pid, "nice", nullptr, nullptr, cargv.data(), environ) != 0)
            m_pid = -1;
        for (int i = 0; i < 1000 && m_pid > 0 && !std::filesystem::exists(devicePath()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~SimulatedDevice()
    {
        unplug();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    bool ready() const { return m_pid > 0 && std::filesystem::exists(devicePath()); }
    std::filesystem::path devicePath() const { return m_dir / "dev"; }
    std::filesystem::path logPath() const { return m_dir / "rx.bin"; }

    // The device vanishes, as a pulled USB adapter does.
    void unplug()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
    }

    // The device stops sending (its signal path is gone) but stays connected.
    bool silence()
    {
        std::ofstream(m_dir / "silence").put('1');
        for (int i = 0; i < 1000; ++i) {
            if (std::filesystem::exists(m_dir / "silent"))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    std::string received() const
    {
        std::ifstream in(logPath(), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Polls the log until pred holds (the simulator writes it asynchronously).
    template <class Pred> bool receivedSatisfies(Pred pred, int timeoutMs = 10000) const
    {
        for (int t = 0; t < timeoutMs; t += 10) {
            if (pred(received()))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return pred(received());
    }

    // A port map whose every COM number leads to this device.
    signal::SerialPortMap portMap() const
    {
        auto map = signal::SerialPortMap::defaults();
        map.devices.fill(devicePath().string());
        return map;
    }

private:
    std::filesystem::path m_dir;
    pid_t m_pid = -1;
};

template <class Pred> bool eventually(Pred pred, int timeoutMs = 10000)
{
    for (int t = 0; t < timeoutMs; t += 5) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return pred();
}

// With a device silent, receive-window ticks count up to the alert. Bytes still on their way may
// reset the counter once more, so the loop runs on real time with a generous bound.
inline int ticksUntilAlert(std::atomic<std::int32_t>& watchdog)
{
    for (int ticks = 1; ticks < 5000; ++ticks) {
        if (signal::watchdogTick(watchdog, signal::kWatchdogFaxSstv))
            return ticks;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return -1;
}

// The simulators stream a ramp 0..255; the reader may join it anywhere.
inline bool ringHoldsRamp(const tellur::SampleRing& ring, int n)
{
    for (int i = 1; i < n; ++i)
        if (ring.at(i) != ((ring.at(i - 1) + 1) & 0xFF))
            return false;
    return true;
}

#define TELLUR_REQUIRE_SOCAT()                                                                                         \
    do {                                                                                                               \
        if (!::tellur::testing::haveSocat())                                                                           \
            GTEST_SKIP() << "socat is not installed (./tellur setup installs it): no pseudo-terminal devices";        \
        ::tellur::testing::ensureApplication();                                                                        \
    } while (0)

} // namespace tellur::testing
