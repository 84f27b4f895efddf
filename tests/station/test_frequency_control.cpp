// Frequency control's paths against a recording port and station: the port lent and given
// back, the refusals, the PTC-II and external-command paths and an unreachable rigctld.
#include "core/event_log.h"
#include "core/station_config.h"
#include "signal/serial_fakes.h"
#include "station/frequency_control.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tellur;
using namespace tellur::station;
using tellur::signal::testing::FakeSerialPort;
using tellur::signal::testing::ManualClock;

namespace {

class FakeRadioStation final : public RadioStation {
public:
    signal::SerialPort& mainPort() override { return port; }
    signal::SerialWaiter& waiter() override { return m_waiter; }
    bool stopSerialReader() override
    {
        calls.push_back("stop reader");
        return std::exchange(readerRunning, false);
    }
    void startSerialReader() override
    {
        calls.push_back("start reader");
        readerRunning = true;
    }
    void setOperatingMode(int m) override { calls.push_back("mode " + std::to_string(m)); }
    bool ptc2SingleCommand(std::string_view text) override
    {
        calls.push_back("ptc " + std::string(text));
        return modemAnswers;
    }
    bool runAndWait(const std::string& commandLine, const std::filesystem::path& folder) override
    {
        calls.push_back("run " + commandLine + " in " + folder.generic_string());
        return programStarts;
    }

    FakeSerialPort port;
    ManualClock clock;
    bool readerRunning = false;
    bool modemAnswers = true;
    bool programStarts = true;
    std::vector<std::string> calls;

private:
    signal::SerialWaiter m_waiter{clock};
};

struct Rig {
    Rig()
    {
        config.setInterfaceType(InterfacePtc2);
        config.setComPort(1);
        station.port.setNumber(1);
        station.port.setBaudRate(57600);
        station.port.setFlowControl(signal::FlowControl::Hardware);
        control.setMessageHandler([this](std::string_view t) { shown.emplace_back(t); });
    }
    void configure(int n, const RadioPortEntry& e) { setRadioPortEntry(config, n, e); }

    StationConfig config;
    RunFlags flags;
    FakeRadioStation station;
    RecordingEventLog log;
    FrequencyControl control{config, flags, station, log, "/station"};
    std::vector<std::string> shown;
};

RadioPortEntry serialRadio(int port, RadioType type = RadioType::Yaesu2)
{
    return {"", false, true, port, 4800, type, "$56"};
}

} // namespace

TEST(FrequencyControl, TheMainPortIsLentToTheRadioAndGivenBack)
{
    for (const bool open : {false, true}) {
        Rig rig;
        rig.configure(2, serialRadio(3));
        if (open)
            rig.station.port.open();
        rig.station.readerRunning = open;
        rig.station.port.clearTrace();
        const double before = rig.station.clock.nowMs();

        EXPECT_TRUE(rig.control.setFrequency(2, "14230.5").ok());

        std::vector<std::string> expected;
        if (open)
            expected.push_back("close");
        const std::vector<std::string> tuning = {
            "flow none", "open 3 4800", "clear in", "clear out", "write " + std::string("\x01\x42\x30\x50\x01", 5),
            "clear in", "write " + std::string("\x01\x01\x01\x01\x07", 5), "clear in", "close", "flow hw"};
        expected.insert(expected.end(), tuning.begin(), tuning.end());
        if (open)
            expected.push_back("open 1 57600");
        EXPECT_EQ(rig.station.port.trace(), expected) << "open " << open;
        EXPECT_EQ(rig.station.port.isOpen(), open);
        EXPECT_EQ(rig.station.port.number(), 1);
        EXPECT_EQ(rig.station.port.baudRate(), 57600);
        EXPECT_DOUBLE_EQ(rig.station.clock.nowMs() - before, 10 * signal::kInterfaceWaitUnitMs);
        const std::vector<std::string> reader = {"stop reader", "start reader"};
        EXPECT_EQ(rig.station.calls, open ? reader : std::vector<std::string>{"stop reader"});
    }
}

TEST(FrequencyControl, ARadioPortThatCannotOpenIsReportedAndTheMainPortStillComesBack)
{
    Rig rig;
    rig.configure(1, serialRadio(5, RadioType::Icom));
    rig.station.port.open();
    rig.station.port.available = false;
    const TuneResult r = rig.control.setFrequency(1, "7040");
    EXPECT_EQ(r.outcome, TuneOutcome::Unreachable);
    EXPECT_EQ(r.reason, "COM5 could not be opened");
    EXPECT_EQ(rig.station.port.written(), "");
    EXPECT_EQ(rig.station.port.number(), 1);
    EXPECT_EQ(rig.station.port.baudRate(), 57600);
}

TEST(FrequencyControl, RefusalsSendNothing)
{
    struct Case {
        const char* what;
        bool transmitting;
        std::int32_t interface;
        int radioPort;
        const char* khz;
        TuneOutcome outcome;
        std::string_view shown;
    };
    const Case cases[] = {
        {"during a transmission", true, InterfaceSoundCard, 3, "7040", TuneOutcome::Transmitting, kTransmittingText},
        {"on the interface's port", false, InterfacePtc2, 1, "7040", TuneOutcome::SamePort, kSamePortText},
        {"a text that is no number", false, InterfacePtc2, 3, "70x40", TuneOutcome::NotANumber,
         "'70x40' is not a valid frequency."},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.config.setInterfaceType(c.interface);
        rig.flags.transmit = c.transmitting;
        rig.configure(1, serialRadio(c.radioPort));
        rig.station.port.clearTrace();
        const TuneResult r = rig.control.setFrequency(1, c.khz);
        EXPECT_EQ(r.outcome, c.outcome) << c.what;
        EXPECT_EQ(rig.shown, std::vector<std::string>{std::string(c.shown)}) << c.what;
        EXPECT_TRUE(rig.station.port.trace().empty()) << c.what;
        EXPECT_TRUE(rig.station.calls.empty()) << c.what;
    }
}

TEST(FrequencyControl, TheSoundcardLeavesTheInterfacePortToTheRadio)
{
    Rig rig;
    rig.config.setInterfaceType(InterfaceSoundCard);
    rig.configure(1, serialRadio(1, RadioType::Kenwood));
    EXPECT_TRUE(rig.control.setFrequency(1, "7040").ok());
    EXPECT_EQ(rig.station.port.written(), "FA00007040000;MD2;");
    EXPECT_TRUE(rig.shown.empty());
}

TEST(FrequencyControl, ThePtcIsReleasedTunedAndSetUpAgain)
{
    for (const int mode : {int(ModeOff), int(ModeFaxFm)}) {
        Rig rig;
        rig.flags.currentOperatingMode = mode;
        rig.configure(1, {"", true, false, 0, 2400, RadioType::Icom, "$56"});
        EXPECT_TRUE(rig.control.setFrequency(1, "14230,5").ok());
        const std::vector<std::string> alone = {"ptc TRX Frequency 14230.5"};
        const std::vector<std::string> around = {"mode -1", "ptc TRX Frequency 14230.5", "mode 0"};
        EXPECT_EQ(rig.station.calls, mode == ModeOff ? alone : around);
    }
    Rig silent;
    silent.station.modemAnswers = false;
    silent.configure(1, {"", true, false, 0, 2400, RadioType::Icom, "$56"});
    EXPECT_EQ(silent.control.setFrequency(1, "7040").outcome, TuneOutcome::Unreachable);
}

TEST(FrequencyControl, TheExternalCommandGetsTheFrequencyForEachAtSign)
{
    struct Case {
        std::int32_t interface;
        bool ptcControl;
        const char* command;
        const char* expected;
    };
    const Case cases[] = {
        {InterfaceSoundCard, false, "/opt/rig/tune.sh -f @ -m @", "run tune.sh -f 3580.5 -m 3580.5 in /opt/rig"},
        {InterfaceSoundCard, false, "tune@ x", "run tune@ x in /station/External-Programs"},
        // PTC-II control asks for the PTC-II interface; elsewhere the command runs.
        {InterfaceSoundCard, true, "tune @", "run tune 3580.5 in /station/External-Programs"},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.config.setInterfaceType(c.interface);
        rig.configure(2, {c.command, c.ptcControl, false, 0, 2400, RadioType::Icom, "$56"});
        EXPECT_TRUE(rig.control.setFrequency(2, "3580,5").ok()) << c.command;
        EXPECT_EQ(rig.station.calls, std::vector<std::string>{c.expected}) << c.command;
    }
    Rig rig;
    rig.station.programStarts = false;
    rig.configure(1, {"missing @", false, false, 0, 2400, RadioType::Icom, "$56"});
    EXPECT_EQ(rig.control.setFrequency(1, "7040").outcome, TuneOutcome::Unreachable);
}

TEST(FrequencyControl, AnUnreachableRigctldIsLoggedAndReported)
{
    // A port nobody listens on: bound, then closed again.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    const std::string endpoint = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));

    Rig rig;
    rig.configure(1, {endpoint, false, true, 0, 2400, RadioType::Rigctld, "$56"});
    const TuneResult r = rig.control.setFrequency(1, "7040");
    EXPECT_EQ(r.outcome, TuneOutcome::Unreachable);
    EXPECT_EQ(r.reason, "rigctld not reachable at " + endpoint + ": Connection refused");
    EXPECT_TRUE(rig.log.contains("+++" + r.reason));
    EXPECT_EQ(rig.station.port.written(), "");

    Rig bad;
    bad.configure(1, {"host:99999", false, true, 0, 2400, RadioType::Rigctld, "$56"});
    EXPECT_EQ(bad.control.setFrequency(1, "7040").outcome, TuneOutcome::BadSetting);
    EXPECT_TRUE(bad.log.contains("+++rigctld address \"host:99999\" is not host:port"));
}
