#include "core/event_log.h"
#include "core/mode_switch.h"
#include "core/station_config.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tellur;

namespace {

// Records every device call as a short text, in order.
class RecordingDevices final : public ModeSwitchDevices {
public:
    std::vector<std::string> calls;
    bool portOpen = false;
    bool mixer = true;
    int lines = 3;
    bool deviceOk = true;   // download / initialise result
    bool portWorks = true;  // test and reopen result

    void stopSerialReader() override { calls.push_back("stopReader"); }
    void startSerialReader(int prio) override { calls.push_back("startReader " + std::to_string(prio)); }
    bool serialPortOpen() const override { return portOpen; }
    void closeSerialPort() override { calls.push_back("close"), portOpen = false; }
    bool reopenSerialPort(int n, std::optional<int> baud) override
    {
        calls.push_back("reopen " + std::to_string(n) + " " + (baud ? std::to_string(*baud) : "-"));
        portOpen = portWorks;
        return portWorks;
    }
    bool testSerialPort(int n) override
    {
        calls.push_back("test " + std::to_string(n));
        return portWorks;
    }
    void selectDemodulator(std::string_view name) override { calls.push_back("demod " + std::string(name)); }
    bool mixerAvailable() const override { return mixer; }
    int mixerRecordingLines() const override { return lines; }
    void selectMixerLine(int line) override { calls.push_back("line " + std::to_string(line)); }
    bool ptc2Release() override { return calls.push_back("ptcRelease"), true; }
    bool ptc2Initialise(std::string_view m) override { return calls.push_back("ptc " + std::string(m)), deviceOk; }
    bool hariFaxInitialise(std::string_view m) override { return calls.push_back("hari " + std::string(m)), deviceOk; }
    bool easyDspDownload(const std::filesystem::path& f, bool vireo) override
    {
        calls.push_back("dsp " + f.filename().string() + (vireo ? " V" : " A"));
        return deviceOk;
    }
};

class RecordingRunner final : public ProcessRunner {
public:
    std::vector<std::string>& calls;
    explicit RecordingRunner(std::vector<std::string>& c) : calls(c) {}
    bool run(const std::string& cmd, const std::filesystem::path& folder, bool detached) override
    {
        calls.push_back("run " + cmd + " @" + folder.filename().string() + (detached ? " detached" : " wait"));
        return true;
    }
    void terminate() override { calls.push_back("terminate"); }
    bool running() const override { return false; }
};

std::string joined(const std::vector<std::string>& v)
{
    std::string s;
    for (const auto& x : v)
        s += (s.empty() ? "" : "; ") + x;
    return s;
}

struct Case {
    const char* intent;
    int type;
    int port;
    int current;
    int request;
    const char* calls;
    bool result;
    int recorded;
    bool transmit = false;
    bool deviceOk = true;
    bool portWorks = true;
    bool mixer = true;
};

} // namespace

TEST(ModeSwitch, DecisionTable)
{
    const Case cases[] = {
        // Soundcard: demodulator and mixer line, no serial reader.
        {"sound FAX FM", InterfaceSoundCard, 0, -1, 0, "stopReader; line 1; demod FMFAX", true, 0},
        {"sound AM", InterfaceSoundCard, 0, -1, 1, "stopReader; line 2; demod AMFAX", true, 1},
        {"sound AM-log", InterfaceSoundCard, 0, 0, 2, "stopReader; line 2; demod AMFAX", true, 2},
        {"sound PLL-lin", InterfaceSoundCard, 0, -1, 3, "stopReader; line 2; demod AMPLLFAX", true, 3},
        {"sound PLL-log", InterfaceSoundCard, 0, -1, 4, "stopReader; line 2; demod AMPLLFAX", true, 4},
        {"sound SSTV selects line after demodulator", InterfaceSoundCard, 0, -1, 5, "stopReader; demod SSTV; line 0", true, 5},
        {"sound transmit: tone output, no line", InterfaceSoundCard, 0, 5, 6, "stopReader; demod SSTVTX", true, 6, true},
        {"sound RTTY 85", InterfaceSoundCard, 0, -1, 7, "stopReader; line 1; demod RTTY_85", true, 7},
        {"sound RTTY 170", InterfaceSoundCard, 0, 7, 8, "stopReader; line 1; demod RTTY_170", true, 8},
        {"sound RTTY 450", InterfaceSoundCard, 0, 7, 9, "stopReader; line 1; demod RTTY_450", true, 9},
        {"sound NAVTEX", InterfaceSoundCard, 0, 7, 10, "stopReader; line 1; demod RTTY_NAVTEX", true, 10},
        {"sound RTTY 850", InterfaceSoundCard, 0, 7, 11, "stopReader; line 1; demod RTTY_850", true, 11},
        {"sound RTTY again is set up again", InterfaceSoundCard, 0, 8, 8, "stopReader; line 1; demod RTTY_170", true, 8},
        {"sound FAX again changes nothing", InterfaceSoundCard, 0, 0, 0, "stopReader", false, 0},
        {"sound without mixer skips lines", InterfaceSoundCard, 0, -1, 0, "stopReader; demod FMFAX", true, 0, false, true, true, false},
        {"sound with keying port present", InterfaceSoundCard, 3, -1, 5, "stopReader; demod SSTV; line 0; test 3", true, 5},
        {"sound off", InterfaceSoundCard, 0, 5, -1, "stopReader", true, -1},
        // PTC-II.
        {"ptc FAX FM", InterfacePtc2, 1, -1, 0, "stopReader; ptc FM; reopen 1 -; startReader 4", true, 0},
        {"ptc AM", InterfacePtc2, 1, -1, 3, "stopReader; ptc AM; reopen 1 -; startReader 4", true, 3},
        {"ptc SSTV", InterfacePtc2, 1, -1, 5, "stopReader; ptc FM; reopen 1 -; startReader 4", true, 5},
        {"ptc RTTY", InterfacePtc2, 1, -1, 10, "stopReader; ptc RTTY; reopen 1 -; startReader 4", true, 10},
        {"ptc transmit from FAX initialises FM", InterfacePtc2, 1, 0, 6, "stopReader; ptc FM; reopen 1 -", true, 6, true},
        {"ptc transmit during SSTV keeps the modem", InterfacePtc2, 1, 5, 6, "stopReader", false, 5, true},
        {"ptc same mode restarts only the reader", InterfacePtc2, 1, 0, 0, "stopReader; startReader 4", false, 0},
        {"ptc off releases the modem and closes the port", InterfacePtc2, 1, 0, -1, "stopReader; ptcRelease; close", true, -1},
        {"ptc failed init still records and reads", InterfacePtc2, 1, -1, 0, "stopReader; ptc FM; startReader 4", false, 0, false, false},
        // EasyDSP.
        {"dsp FAX FM", InterfaceEasyDsp, 2, -1, 0, "stopReader; dsp FMFAX95.LOD V; reopen 2 115200; startReader 4", true, 0},
        {"dsp FAX AM", InterfaceEasyDsp, 2, -1, 2, "stopReader; dsp AM14BIT.LOD V; reopen 2 115200; startReader 4", true, 2},
        {"dsp SSTV", InterfaceEasyDsp, 2, -1, 5, "stopReader; dsp SSTV95.LOD V; reopen 2 115200; startReader 4", true, 5},
        {"dsp RTTY has no program", InterfaceEasyDsp, 2, -1, 8, "stopReader; startReader 4", false, 8},
        {"dsp transmit during SSTV", InterfaceEasyDsp, 2, 5, 6, "stopReader", false, 5, true},
        {"dsp transmit from off downloads SSTV", InterfaceEasyDsp, 2, -1, 6, "stopReader; dsp SSTV95.LOD V; reopen 2 115200", true, 6, true},
        {"dsp port fails to reopen", InterfaceEasyDsp, 2, -1, 0, "stopReader; dsp FMFAX95.LOD V; reopen 2 115200; startReader 4", false, 0, false, true, false},
        // HariFax.
        {"hari FM", InterfaceHariFax, 1, -1, 0, "stopReader; hari FM; reopen 1 115200; startReader 4", true, 0},
        {"hari AM", InterfaceHariFax, 1, -1, 4, "stopReader; hari AM; reopen 1 115200; startReader 4", true, 4},
        {"hari SSTV", InterfaceHariFax, 1, -1, 5, "stopReader; hari SSTV; reopen 1 115200; startReader 4", true, 5},
        {"hari RTTY uses FM", InterfaceHariFax, 1, -1, 9, "stopReader; hari FM; reopen 1 115200; startReader 4", true, 9},
        {"hari RTTY 850 unsupported", InterfaceHariFax, 1, -1, 11, "stopReader; startReader 4", false, 11},
        {"hari transmit during SSTV", InterfaceHariFax, 1, 5, 6, "stopReader", false, 5, true},
        // Other: the command lines of the three program fields, waited for.
        {"other FAX FM", InterfaceOther, 1, -1, 0, "stopReader; run FMFAX95 @External-Programs wait; reopen 1 115200; startReader 4", true, 0},
        {"other AM", InterfaceOther, 1, -1, 1, "stopReader; run AM14BIT @External-Programs wait; reopen 1 115200; startReader 4", true, 1},
        {"other RTTY uses FM command", InterfaceOther, 1, -1, 11, "stopReader; run FMFAX95 @External-Programs wait; reopen 1 115200; startReader 4", true, 11},
        {"other transmit during SSTV", InterfaceOther, 1, 5, 6, "stopReader", false, 5, true},
        {"other without port", InterfaceOther, 0, -1, 5, "stopReader; run SSTV95 @External-Programs wait; startReader 4", true, 5},
        {"other off closes an open port", InterfaceOther, 1, 5, -1, "stopReader; close", true, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.intent);
        StationConfig config;
        config.setInterfaceType(c.type);
        config.setComPort(c.port);
        config.setI32(cfg::kSstvInputLine, 0);
        config.setI32(cfg::kFmInputLine, 1);
        config.setI32(cfg::kAmInputLine, 2);
        RunFlags flags;
        flags.currentOperatingMode = c.current;
        RecordingDevices dev;
        dev.deviceOk = c.deviceOk;
        dev.portWorks = c.portWorks;
        dev.mixer = c.mixer;
        dev.portOpen = c.port != 0 && c.current != -1 && c.type != InterfaceSoundCard;
        if (std::string(c.intent) == "other off closes an open port")
            dev.portOpen = true;
        RecordingRunner runner(dev.calls);
        RecordingEventLog log;
        ModeSwitch sw(config, flags, dev, runner, log, "/station");
        // A reopen is always preceded by closing an open port; keep the table short by ignoring those.
        EXPECT_EQ(sw.setOperatingMode(c.request), c.result);
        std::vector<std::string> calls;
        for (const auto& k : dev.calls)
            if (k != "close" || c.request == -1)
                calls.push_back(k);
        EXPECT_EQ(joined(calls), c.calls);
        EXPECT_EQ(flags.currentOperatingMode.load(), c.recorded);
        EXPECT_EQ(flags.transmit.load(), c.transmit);
        if (c.request != -1) {
            EXPECT_EQ(flags.serialWatchdog.load(), -10);
        }
    }
}

TEST(ModeSwitch, FourteenBitFlagAndSoundcardForcesIt)
{
    struct F { int type; bool use14; int mode; bool want; bool storedAfter; };
    for (auto f : {F{InterfacePtc2, false, 1, false, false}, {InterfacePtc2, true, 1, true, true},
                   {InterfacePtc2, true, 0, false, true}, {InterfaceEasyDsp, true, 4, true, true},
                   {InterfaceSoundCard, false, 3, true, true}, {InterfaceSoundCard, false, 5, false, true}}) {
        StationConfig config;
        config.setInterfaceType(f.type);
        config.setFaxAmUse14bit(f.use14);
        RunFlags flags;
        RecordingDevices dev;
        RecordingRunner runner(dev.calls);
        NullEventLog log;
        ModeSwitch(config, flags, dev, runner, log, "/s").setOperatingMode(f.mode);
        EXPECT_EQ(flags.fourteenBitStream.load(), f.want) << f.type << " " << f.mode;
        EXPECT_EQ(config.faxAmUse14bit(), f.storedAfter);
    }
}

TEST(ModeSwitch, SoundcardLosesAnAbsentKeyingPort)
{
    StationConfig config;
    config.setComPort(3);
    RunFlags flags;
    RecordingDevices dev;
    dev.portWorks = false;
    RecordingRunner runner(dev.calls);
    RecordingEventLog log;
    ModeSwitch sw(config, flags, dev, runner, log, "/s");
    EXPECT_TRUE(sw.setOperatingMode(5));
    EXPECT_EQ(config.comPort(), 0);
    EXPECT_TRUE(log.contains("+++port alert (COM3)"));
    EXPECT_EQ(flags.interfaceStatusMessage, "Communication port Com3 not available! Please check configuration settings.");
}

TEST(ModeSwitch, MixerLinesAreClampedToTheLinesThere)
{
    StationConfig config;
    config.setI32(cfg::kSstvInputLine, 7);
    config.setI32(cfg::kFmInputLine, 1);
    config.setI32(cfg::kAmInputLine, 5);
    RunFlags flags;
    RecordingDevices dev;
    dev.lines = 2;
    RecordingRunner runner(dev.calls);
    NullEventLog log;
    ModeSwitch(config, flags, dev, runner, log, "/s").setOperatingMode(1);
    EXPECT_EQ(config.sstvInputLine(), 1);
    EXPECT_EQ(config.fmInputLine(), 1);
    EXPECT_EQ(config.amInputLine(), 1);
    EXPECT_EQ(joined(dev.calls), "stopReader; line 1; demod AMFAX");
}

TEST(ModeSwitch, OtherInterfaceRunsInTheCommandsFolder)
{
    StationConfig config;
    config.setInterfaceType(InterfaceOther);
    config.setStr(cfg::kSstvProgram, 255, "/opt/radio/set sstv.sh -b 9600");
    RunFlags flags;
    RecordingDevices dev;
    RecordingRunner runner(dev.calls);
    NullEventLog log;
    ModeSwitch(config, flags, dev, runner, log, "/s").setOperatingMode(5);
    EXPECT_EQ(dev.calls.at(1), "run set sstv.sh -b 9600 @radio wait");

    struct S { const char* in; const char* folder; const char* file; };
    for (auto s : {S{"/opt/radio/set.sh -b 9600", "/opt/radio", "set.sh -b 9600"}, {"tool", "", "tool"},
                   {"\"/opt/my radio/set it.sh\" -x", "/opt/my radio", "\"set it.sh\" -x"},
                   {"C:\\Radio\\setfm.exe", "C:/Radio", "setfm.exe"}, {"/set.sh", "/", "set.sh"}, {"", "", ""}}) {
        const SplitCommand sc = splitCommandLine(s.in);
        EXPECT_EQ(sc.folder.string(), s.folder) << s.in;
        EXPECT_EQ(sc.file, s.file) << s.in;
    }
}
