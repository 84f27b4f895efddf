#include "signal/serial_devices.h"
#include "serial_fakes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

using namespace tellur;
using namespace tellur::signal;
using namespace tellur::signal::testing;

namespace {

// A PTC-II in command mode: every carriage return gets a prompt, except after the commands the
// test wants unanswered.
struct PtcScript {
    std::set<std::string> silentCommands;
    bool answers = true;
    std::string prompt = "\r\ncmd: ";
    std::string line;
    std::vector<std::string> commands;

    void operator()(FakeSerialPort& port, const std::string& bytes)
    {
        for (char c : bytes) {
            if (c == '\x1b' || c == '\xff')
                continue;
            if (c != '\r') {
                line += c;
                continue;
            }
            commands.push_back(line);
            if (answers && !silentCommands.count(line))
                port.feed(prompt);
            line.clear();
        }
    }
};

struct Rig {
    ManualClock clock;
    SerialWaiter waiter{clock};
    FakeSerialPort port;
    FakeSerialPort pulse;
    RecordingEventLog log;
    ScriptedSerialDeviceUi ui;
    SerialDevices devices{port, pulse, waiter, log, ui};

    explicit Rig(InterfaceType type, std::vector<bool> answers = {}) : ui(std::move(answers))
    {
        SerialDeviceSettings s;
        s.interfaceType = type;
        s.comPort = 3;
        s.baudRate = 9600;
        devices.setSettings(s);
    }
    std::vector<std::string> actions() const
    {
        std::vector<std::string> out;
        for (const auto& e : log.entries())
            out.push_back(e.text);
        return out;
    }
};

std::filesystem::path tempFile(const std::string& name, const std::string& contents)
{
    auto dir = std::filesystem::temp_directory_path() / ("tellur-serial-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto p = dir / name;
    std::ofstream(p, std::ios::binary) << contents;
    return p;
}

} // namespace

TEST(PtcInitialise, FaxModesSendTheCommandSequence)
{
    struct Case {
        const char* name;
        const char* lastCommand;
    };
    for (auto c : {Case{"FM", "FAX Tellur"}, Case{"AM", "FAX AMFAX"}}) {
        Rig rig(InterfaceType::Ptc2);
        PtcScript ptc;
        rig.port.responder = std::ref(ptc);
        EXPECT_TRUE(rig.devices.ptc2Initialise(c.name));
        auto& cmds = ptc.commands;
        ASSERT_GE(cmds.size(), 4u);
        EXPECT_EQ(std::vector<std::string>(cmds.end() - 5, cmds.end()),
                  (std::vector<std::string>{"", "TERM 0", "FAX MBAUD 57600", "FAX D 800", c.lastCommand}));
        EXPECT_EQ(rig.actions(), (std::vector<std::string>{"begin PTC-II initialization new firmware (" +
                                                               std::string(c.name) + ")",
                                                           "end PTC-II initialization new firmware with success"}));
        EXPECT_EQ(rig.devices.statusMessage(), "");
        EXPECT_FALSE(rig.port.isOpen());
        EXPECT_EQ(rig.port.baudRate(), 57600); // the mode switch reopens at the modem's FAX speed
        EXPECT_FALSE(rig.devices.ptcBusy());
    }
}

TEST(PtcInitialise, ReleaseSequenceAndRttyLeavesThePortOpen)
{
    Rig rig(InterfaceType::Ptc2);
    PtcScript ptc;
    ptc.prompt = "*";
    rig.port.responder = std::ref(ptc);
    EXPECT_TRUE(rig.devices.ptc2Initialise("RTTY"));
    EXPECT_TRUE(rig.port.isOpen());
    EXPECT_EQ(rig.port.baudRate(), 9600);
    // Release: a 0xFF at 57600 Bd, then escape to command mode at the configured speed.
    std::string w = rig.port.written();
    EXPECT_EQ(w.substr(0, 6), std::string("\xff\r\x1bPT\r", 6));
    auto trace = rig.port.trace();
    auto at = std::find(trace.begin(), trace.end(), "open 3 57600");
    ASSERT_NE(at, trace.end());
    EXPECT_EQ(*(at + 1), std::string("write \xff"));
    EXPECT_NE(std::find(trace.begin(), trace.end(), "open 3 9600"), trace.end());
}

TEST(PtcInitialise, UnansweredFaxCommandGivesStatusAndFailure)
{
    Rig rig(InterfaceType::Ptc2);
    PtcScript ptc;
    ptc.silentCommands = {"FAX D 800"};
    rig.port.responder = std::ref(ptc);
    EXPECT_FALSE(rig.devices.ptc2Initialise("FM"));
    EXPECT_EQ(rig.devices.statusMessage(), "PTC could not be set to FM mode. Please wait, will retry...");
    EXPECT_EQ(rig.actions().back(), "end PTC-II initialization new firmware with failure");
    EXPECT_EQ(ptc.commands.back(), "FAX D 800"); // nothing is sent after the missing prompt
    EXPECT_FALSE(rig.devices.ptcBusy());
}

TEST(PtcInitialise, MissingPortAndSilentModem)
{
    {
        Rig rig(InterfaceType::Ptc2);
        rig.port.available = false;
        EXPECT_FALSE(rig.devices.ptc2Initialise("FM"));
        EXPECT_EQ(rig.actions(), (std::vector<std::string>{"begin PTC-II initialization new firmware (FM)",
                                                           "+++port alert (COM3)",
                                                           "end download (PTC-II) with failure (no COM port)"}));
        EXPECT_EQ(rig.devices.statusMessage(),
                  "Communication port Com3 not available! Please check configuration settings.");
        EXPECT_FALSE(rig.devices.ptcBusy());
    }
    {
        Rig rig(InterfaceType::Ptc2);
        PtcScript ptc;
        ptc.answers = false;
        rig.port.responder = std::ref(ptc);
        EXPECT_FALSE(rig.devices.ptc2Initialise("AM"));
        EXPECT_EQ(rig.actions(), (std::vector<std::string>{"begin PTC-II initialization new firmware (AM)",
                                                           "+++PTC-II not connected alert",
                                                           "end PTC-II initialization (AM) with failure"}));
        EXPECT_EQ(rig.devices.statusMessage(),
                  "PTC does not respond. Check cabling, settings, switch PTC off and on, then wait.");
        // Release tries a second carriage return before giving up.
        EXPECT_EQ(std::count(ptc.commands.begin(), ptc.commands.end(), ""), 3);
    }
}

TEST(PtcCommands, CommandSingleCommandAndCommandFile)
{
    Rig rig(InterfaceType::Ptc2);
    PtcScript ptc;
    rig.port.responder = std::ref(ptc);
    rig.port.open();
    EXPECT_TRUE(rig.devices.ptc2Command("TR 0"));
    EXPECT_EQ(rig.port.written(), "\x1bTR 0\r");
    ptc.silentCommands = {"TO 2"};
    EXPECT_FALSE(rig.devices.ptc2Command("TO 2"));

    ptc.commands.clear();
    EXPECT_TRUE(rig.devices.ptc2SingleCommand("FRE 7880.00"));
    EXPECT_EQ(ptc.commands.back(), "FRE 7880.00");
    EXPECT_FALSE(rig.port.isOpen());

    auto file = tempFile("PTCINI.INI", "MYCALL DL0XX\r\nTONES 2\r\n\r\nQRTCHR 4\n");
    ptc.commands.clear();
    EXPECT_TRUE(rig.devices.ptc2CommandFile(file));
    EXPECT_EQ(std::vector<std::string>(ptc.commands.end() - 4, ptc.commands.end()),
              (std::vector<std::string>{"MYCALL DL0XX", "TONES 2", "", "QRTCHR 4"}));
    EXPECT_FALSE(rig.port.isOpen());
    EXPECT_FALSE(rig.devices.ptc2CommandFile(file.parent_path() / "missing.ini"));

    // Only for the PTC-II.
    Rig other(InterfaceType::HariFax);
    EXPECT_FALSE(other.devices.ptc2CommandFile(file));
    EXPECT_TRUE(other.port.trace().empty());
}

TEST(HariFaxInitialise, ModeBytes)
{
    struct Case {
        const char* name;
        char mode;
    };
    for (auto c : {Case{"FM", 'B'}, Case{"AM", 'A'}, Case{"SSTV", '\x40'}}) {
        Rig rig(InterfaceType::HariFax);
        EXPECT_TRUE(rig.devices.hariFaxInitialise(c.name));
        EXPECT_EQ(rig.port.written(), std::string("\xff") + c.mode);
        EXPECT_EQ(rig.actions(), (std::vector<std::string>{"begin HariFax initialization(" + std::string(c.name) + ")",
                                                           "end HariFAX initialization with success"}));
        EXPECT_NE(std::find(rig.port.trace().begin(), rig.port.trace().end(), "open 3 115200"),
                  rig.port.trace().end());
        EXPECT_FALSE(rig.port.isOpen());
    }
}

TEST(HariFaxInitialise, PortLoopAsksAbortRetry)
{
    Rig rig(InterfaceType::HariFax, {true});
    rig.port.available = false;
    EXPECT_FALSE(rig.devices.hariFaxInitialise("FM"));
    ASSERT_EQ(rig.ui.questions.size(), 2u); // Retry, then Abort
    EXPECT_EQ(rig.ui.questions[0], "Communications port COM3 not available!\r\nUse the configuration menu to select "
                                   "the\r\nproper port or terminate other applications\r\n which are accessing this "
                                   "port.");
    EXPECT_TRUE(rig.port.written().empty());
}

namespace {
// An EasyDSP in the VIREO position: answers the probe, swallows the program.
void vireoBox(FakeSerialPort& port, const std::string& bytes)
{
    if (bytes == "_END 7F80")
        port.feed("_END 7F80>");
}
} // namespace

TEST(EasyDspVireo, DownloadSendsLinesWithoutEndsAndSkipsSymbols)
{
    Rig rig(InterfaceType::EasyDsp);
    rig.port.responder = vireoBox;
    const std::string text = "start line\r\n_DATA P 0000\r\n0A 0B 0C\r\n_SYMBOL P\r\nsym 0001\r\n_END 0100  \r\n";
    auto file = tempFile("FMFAX95.LOD", text);
    EXPECT_TRUE(rig.devices.easyDspDownloadVireo(file));
    EXPECT_EQ(rig.port.written(), "_END 7F80"
                                  "START LINE_DATA P 00000A 0B 0C_END 0100");
    EXPECT_EQ(rig.actions(), (std::vector<std::string>{"begin download (VIREO) of " + file.string(),
                                                       "end download (VIREO) of " + file.string() + " with success"}));
    EXPECT_EQ(rig.ui.loadTotal, static_cast<std::int64_t>(text.size()));
    EXPECT_EQ(rig.ui.lastProgress, static_cast<std::int64_t>(text.size())); // CR LF counted as 2
    EXPECT_EQ(rig.ui.loadsEnded, 1);
    EXPECT_FALSE(rig.port.isOpen());

    // The reset pulses on the second port: break, then eight DTR pulses.
    std::vector<std::string> want = {"rts 1", "dtr 1", "open 3 9600", "break 1"};
    for (int i = 0; i < 8; ++i) {
        want.push_back("dtr 1");
        want.push_back("dtr 0");
    }
    want.push_back("break 0");
    want.push_back("close");
    EXPECT_EQ(rig.pulse.trace(), want);
}

TEST(EasyDspVireo, FailuresAskAndLog)
{
    {
        Rig rig(InterfaceType::EasyDsp);
        rig.port.available = false;
        EXPECT_FALSE(rig.devices.easyDspDownloadVireo("/x/Demodulators/SSTV95.LOD"));
        EXPECT_EQ(rig.actions().back(), "end download (VIREO) of /x/Demodulators/SSTV95.LOD with failure (no COM port)");
    }
    {
        Rig rig(InterfaceType::EasyDsp, {true});
        EXPECT_FALSE(rig.devices.easyDspDownloadVireo("/x/Demodulators/SSTV95.LOD"));
        ASSERT_EQ(rig.ui.questions.size(), 2u);
        EXPECT_EQ(rig.ui.questions[0], "No response from EasyDSP!\r\nMake sure that EasyDSP is connected, switched "
                                       "on\r\nand that the Mode switch is in VIREO position.");
        auto a = rig.actions();
        EXPECT_EQ(std::count(a.begin(), a.end(), "+++DSP not connected alert (VIREO mode)"), 2);
        EXPECT_EQ(a.back(), "end download (VIREO) of /x/Demodulators/SSTV95.LOD with failure (no VIREO mode)");
    }
    {
        // A missing program file: Retry finds it the second time.
        Rig rig(InterfaceType::EasyDsp, {true});
        rig.port.responder = vireoBox;
        auto file = tempFile("LATE.LOD", "");
        std::filesystem::remove(file);
        rig.ui.askRetryHook = [&] { std::ofstream(file) << "_END 0000\n"; };
        EXPECT_TRUE(rig.devices.easyDspDownloadVireo(file));
        ASSERT_EQ(rig.ui.questions.size(), 1u);
        EXPECT_EQ(rig.ui.questions[0], "DSP program file\r\n" + file.string() + " not found.\r\nMake sure this file is "
                                       "in the " + file.parent_path().string() + " directory\r\n and try again!");
        EXPECT_EQ(rig.port.written(), "_END 7F80_END 0000");
    }
}

namespace {
struct RecordingRunner final : CommandRunner {
    std::vector<std::pair<std::string, std::filesystem::path>> runs;
    bool runAndWait(const std::string& cmd, const std::filesystem::path& dir) override
    {
        runs.emplace_back(cmd, dir);
        return true;
    }
};
} // namespace

TEST(EasyDspAleph, ProbeAndExternalDownloader)
{
    Rig rig(InterfaceType::EasyDsp);
    RecordingRunner runner;
    SerialDevices devices(rig.port, rig.pulse, rig.waiter, rig.log, rig.ui, &runner);
    auto s = rig.devices.settings();
    s.programFolder = "/station";
    devices.setSettings(s);
    rig.port.responder = [](FakeSerialPort& p, const std::string& b) {
        if (b == "\x12\xB9\xB0\xA1")
            p.feed("\x04");
    };
    EXPECT_TRUE(devices.easyDspDownloadAleph("/station/Demodulators/My Prog.LOD"));
    ASSERT_EQ(runner.runs.size(), 1u);
    EXPECT_EQ(runner.runs[0].first, "dl -p3 -g \"/station/Demodulators/My Prog.LOD\"");
    EXPECT_EQ(runner.runs[0].second, "/station");
    EXPECT_NE(std::find(rig.port.trace().begin(), rig.port.trace().end(), "open 3 19200"), rig.port.trace().end());
    EXPECT_EQ(rig.actions().back(), "end download (ALEPH) of /station/Demodulators/My Prog.LOD with success");

    rig.port.responder = nullptr;
    runner.runs.clear();
    EXPECT_FALSE(devices.easyDspDownloadAleph("/station/Demodulators/A.LOD"));
    EXPECT_TRUE(runner.runs.empty());
    EXPECT_EQ(rig.ui.questions.back(), "No response from EasyDSP!\r\nMake sure that EasyDSP is connected, switched "
                                       "on\r\nand that the Mode switch is in ALEPH position.");
    EXPECT_EQ(rig.actions().back(), "end download (ALEPH) of /station/Demodulators/A.LOD with failure (no ALEPH mode)");
}
