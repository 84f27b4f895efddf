#include "core/command_switches.h"
#include "core/station_config.h"
#include "core/transmission_type.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tellur;

namespace {

class NoDevices final : public ModeSwitchDevices {
public:
    std::vector<std::string>& log;
    bool downloadOk = true;
    explicit NoDevices(std::vector<std::string>& l) : log(l) {}
    void stopSerialReader() override {}
    void startSerialReader(int) override {}
    bool serialPortOpen() const override { return false; }
    void closeSerialPort() override {}
    bool reopenSerialPort(int, std::optional<int>) override { return true; }
    bool testSerialPort(int) override { return true; }
    void selectDemodulator(std::string_view) override {}
    bool mixerAvailable() const override { return false; }
    int mixerRecordingLines() const override { return 0; }
    void selectMixerLine(int) override {}
    bool ptc2Release() override { return true; }
    bool ptc2Initialise(std::string_view) override { return true; }
    bool hariFaxInitialise(std::string_view) override { return true; }
    bool easyDspDownload(const std::filesystem::path& f, bool vireo) override
    {
        log.push_back("dsp " + f.filename().string() + (vireo ? " V" : " A"));
        return downloadOk;
    }
};

class Runner final : public ProcessRunner {
public:
    std::vector<std::string>& log;
    bool startable = true;
    explicit Runner(std::vector<std::string>& l) : log(l) {}
    bool run(const std::string& cmd, const std::filesystem::path& folder, bool detached) override
    {
        log.push_back("run " + cmd + " @" + folder.string() + (detached ? " detached" : " wait"));
        return startable;
    }
    void terminate() override { log.push_back("terminate"); }
    bool running() const override { return false; }
};

// The main window: its message loop runs the main tick, which carries the request out.
class Host final : public TransmissionTypeHost {
public:
    std::vector<std::string>& log;
    TransmissionTypeController* controller = nullptr;
    explicit Host(std::vector<std::string>& l) : log(l) {}
    void setModeControlsEnabled(bool on) override { log.push_back(on ? "enable" : "disable"); }
    void checkModeMenuItem(int i) override { log.push_back("check " + std::to_string(i)); }
    void setChildPanelCaption(std::string_view c) override { log.push_back("panel '" + std::string(c) + "'"); }
    void closeReceiveWindow() override { log.push_back("close window"); }
    void openReceiveWindow(ReceiveWindowKind k) override { log.push_back("open window " + std::to_string(k)); }
    void waitUntil(const std::function<bool()>& done) override
    {
        while (!done())
            controller->carryOutRequest();
    }
    void showMessage(std::string_view t) override { log.push_back("message " + std::string(t)); }
};

std::string joined(const std::vector<std::string>& v)
{
    std::string s;
    for (const auto& x : v)
        s += (s.empty() ? "" : "; ") + x;
    return s;
}

struct Fixture {
    std::vector<std::string> log;
    StationConfig config;
    NoDevices devices{log};
    Runner runner{log};
    Host host{log};
    std::unique_ptr<TransmissionTypeController> ctl;
    Fixture()
    {
        config.setExternalProgram(0, {"Decoder", "V", "MYDSP", "/opt/dec/run.sh --fast"});
        config.setExternalProgram(1, {"Analyser", "", "", "spec"});
        build();
    }
    void build()
    {
        ctl = std::make_unique<TransmissionTypeController>(config, devices, runner, host, "/station");
        host.controller = ctl.get();
    }
};

} // namespace

TEST(TransmissionType, ListAndMenuCaptions)
{
    StationConfig c;
    c.setExternalProgram(0, {"Prog A", "", "", "a"});
    c.setExternalProgram(10, {"Prog K", "", "", "k"});
    auto list = buildTransmissionTypeList(c);
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[0].text, "none");
    EXPECT_EQ(list[3].text, "RTTY");
    EXPECT_EQ(list[4].programRow, 0);
    EXPECT_EQ(list[5].programRow, 10);
    EXPECT_EQ(modeMenuCaption(0, "none"), "&0 none");
    EXPECT_EQ(modeMenuCaption(14, "Prog K"), "&E Prog K");
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(indexFromMenuCaption(modeMenuCaption(i, "x")), i);
    EXPECT_EQ(indexFromMenuCaption("&b lower"), 11);
    EXPECT_EQ(indexFromMenuCaption("no amp"), std::nullopt);
    EXPECT_EQ(runningCaption("Short"), "Running Short...");
    EXPECT_EQ(runningCaption("A very long program name here"), "Running A very long program ...");
    EXPECT_EQ(runningCaption("A very long program name here").size(), 31u);
}

TEST(TransmissionType, ChangeOpensWindowsAndStoresTheIndex)
{
    Fixture f;
    f.ctl->change(2);
    EXPECT_EQ(joined(f.log), "disable; open window 2; enable; check 2");
    EXPECT_EQ(f.config.lastTransmissionType(), 2);
    f.log.clear();
    f.ctl->change(2); // the same entry twice does nothing
    EXPECT_TRUE(f.log.empty());
    f.ctl->change(-1); // negative becomes "none"
    EXPECT_EQ(joined(f.log), "disable; close window; enable; check 0");
    EXPECT_FALSE(f.ctl->changeRequested());
}

TEST(TransmissionType, ExternalProgramsStartDetachedAndStopOnTheNextChange)
{
    Fixture f;
    f.config.setInterfaceType(InterfaceSoundCard);
    f.ctl->change(5); // "Analyser": no folder, so the External-Programs folder
    EXPECT_EQ(joined(f.log), "disable; panel 'Running Analyser...'; run spec @/station/External-Programs detached; enable; check 5");
    EXPECT_TRUE(f.ctl->externalProgramRunning());
    f.log.clear();
    f.ctl->change(1);
    EXPECT_EQ(joined(f.log), "disable; terminate; panel ''; open window 1; enable; check 1");
    EXPECT_FALSE(f.ctl->externalProgramRunning());
}

TEST(TransmissionType, EasyDspDownloadsFirstAndReportsAMissingProgram)
{
    Fixture f;
    f.config.setInterfaceType(InterfaceEasyDsp);
    f.runner.startable = false;
    f.ctl->change(4);
    EXPECT_EQ(joined(f.log), "disable; panel 'Running Decoder...'; dsp MYDSP.LOD V; run run.sh --fast @/opt/dec detached; "
                             "message " + externalProgramNotFoundText("Decoder") + "; enable; check 4");
    f.log.clear();
    f.devices.downloadOk = false;
    f.ctl->change(0);
    f.log.clear();
    f.ctl->change(4); // a failed download starts nothing
    EXPECT_EQ(joined(f.log), "disable; panel 'Running Decoder...'; dsp MYDSP.LOD V; enable; check 4");
}

TEST(TransmissionType, SchedulerSwitchesWithoutWaiting)
{
    Fixture f;
    f.config.setInterfaceType(InterfaceSoundCard);
    f.ctl->change(3);
    f.log.clear();
    f.ctl->switchAndStart(5);
    EXPECT_EQ(joined(f.log), "close window; panel 'Running Analyser...'; run spec @/station/External-Programs detached; check 5");
    EXPECT_EQ(f.ctl->indexInForce(), 5);
}

TEST(CommandSwitches, LetterValueRule)
{
    CommandSwitches s({"c:Contest", "q=30", "M", "x", "--home", "/tmp/h", "T=/home/me/Pic.png", "d"});
    EXPECT_EQ(s.get('C')->value, "CONTEST");
    EXPECT_EQ(s.get('c')->raw, "Contest");
    EXPECT_EQ(s.quitMinutes(), 60);
    EXPECT_EQ(s.get('M')->value, "");
    EXPECT_EQ(s.listIndex(), std::nullopt);
    EXPECT_TRUE(s.has('X'));
    EXPECT_EQ(s.get('T')->raw, "/home/me/Pic.png");
    EXPECT_EQ(s.get('D')->value, "");
    EXPECT_FALSE(s.has('U'));
    EXPECT_FALSE(s.has('H')); // "--home" is an option, not switch H
    EXPECT_EQ(CommandSwitches({"Q 90"}).quitMinutes(), 90);
    EXPECT_EQ(CommandSwitches({"m=7"}).listIndex(), 7);
    EXPECT_EQ(CommandSwitches({"qq"}).quitMinutes(), 60);
}
