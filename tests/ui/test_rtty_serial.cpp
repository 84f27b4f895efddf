// The RTTY-RX window on a PTC-II simulated on a pseudo-terminal: apply mode programs the modem
// only once it answers "Term 0", and the watchdog recovers a modem that has fallen silent.
#include "platform/serial_pty_rig.h"
#include "ui_fixture.h"

#include "signal/serial_port_map.h"
#include "text/ui/rtty_rx_win.h"

#include <fstream>

namespace tellur::ui::test {
namespace {

using tellur::testing::SimulatedDevice;

class RttySerialTest : public StationFixture {
protected:
    void beforeStart(THauptformular& m) override { installReceiveWindows(m); }

    TRTTYRXWin* openRttyOn(const std::vector<std::string>& simulator)
    {
        dev = std::make_unique<SimulatedDevice>(simulator);
        if (!dev->ready() || !signal::savePortMap(station.folder, dev->portMap()))
            return nullptr;
        StationConfig c;
        c.setLastTransmissionType(3);
        c.setInterfaceType(InterfacePtc2);
        c.setComPort(1);
        c.setI32(cfg::kBaudRate, 9600);
        text::setCurrentRttyModeRow(c, 6);
        writeConfig(c);
        makeMain();
        settle();
        return qobject_cast<TRTTYRXWin*>(main->receiveWindow());
    }

    static int count(const std::string& rx, const std::string& what)
    {
        int n = 0;
        for (auto p = rx.find(what); p != std::string::npos; p = rx.find(what, p + 1))
            ++n;
        return n;
    }

    std::unique_ptr<SimulatedDevice> dev;
};

TEST_F(RttySerialTest, ApplyModeListFollowsAnAnsweredTerm0)
{
    TELLUR_REQUIRE_SOCAT();
    ASSERT_NE(openRttyOn({"ptc2"}), nullptr);
    EXPECT_TRUE(dev->receivedSatisfies([](const std::string& rx) {
        const auto term = rx.find("Term 0\r");
        return term != std::string::npos &&
               rx.find("Status 2\r\x1b" "AMTOR\r\x1b" "ARX 1\r\x1b" "BC 1\r\x1b" "TO 2\r\x1b" "TR 3\r\x1b"
                       "Mark 1275\r\x1b" "Space 1445\r\x1b" "LFIgnore 0\r",
                       term) != std::string::npos;
    })) << dev->received();
}

TEST_F(RttySerialTest, UnansweredTerm0StopsTheApplyModeList)
{
    TELLUR_REQUIRE_SOCAT();
    ASSERT_NE(openRttyOn({"ptc2", "--no-answer", "TERM_0"}), nullptr);
    EXPECT_TRUE(dev->receivedSatisfies([](const std::string& rx) { return rx.find("Term 0\r") != std::string::npos; }));
    EXPECT_EQ(dev->received().find("Status 2"), std::string::npos) << dev->received();
}

TEST_F(RttySerialTest, WatchdogAlertsAfterSixtySilentTicksAndProgramsTheModemAgain)
{
    TELLUR_REQUIRE_SOCAT();
    TRTTYRXWin* rtty = openRttyOn({"ptc2"});
    ASSERT_NE(rtty, nullptr);
    ASSERT_TRUE(dev->receivedSatisfies([](const std::string& rx) { return rx.find("LFIgnore 0\r") != std::string::npos; }));
    ASSERT_TRUE(dev->silence());
    station.flags.serialWatchdog = 0;
    for (int i = 0; i < TRTTYRXWin::kWatchdogTicks; ++i)
        rtty->Timer1Timer();
    EXPECT_FALSE(log->contains("+++watchdog alert (RTTY)")) << "60 silent ticks are still tolerated";
    rtty->Timer1Timer();
    EXPECT_TRUE(log->contains("+++watchdog alert (RTTY)"));
    EXPECT_EQ(station.flags.serialWatchdog.load(), signal::kWatchdogRestart);
    EXPECT_EQ(station.flags.currentOperatingMode.load(), ModeRtty85);
    EXPECT_TRUE(dev->receivedSatisfies([](const std::string& rx) { return count(rx, "Term 0\r") == 2; }))
        << "apply mode runs again";
}

} // namespace
} // namespace tellur::ui::test
