// The FAX-RX window on a serial interface: the window asks the station's mode switch for its
// mode, and a PTC-II simulated on a pseudo-terminal is set up, streams into the ring, is
// recovered by the watchdog when it falls silent and released when the program closes.
#include "platform/serial_pty_rig.h"
#include "ui_fixture.h"

#include "fax/ui/fax_rx_win.h"
#include "signal/serial_port_map.h"

#include <QLabel>
#include <QTimer>

#include <fstream>

namespace tellur::ui::test {
namespace {

using tellur::testing::ringHoldsRamp;
using tellur::testing::SimulatedDevice;

class FaxSerialTest : public StationFixture {
protected:
    void beforeStart(THauptformular& m) override { installReceiveWindows(m); }

    // Starts the simulator and the station with FAX on a PTC-II at COM1; null when either fails.
    TFAXRXWin* openFaxOn(const std::vector<std::string>& simulator)
    {
        dev = std::make_unique<SimulatedDevice>(simulator);
        if (!dev->ready() || !signal::savePortMap(station.folder, dev->portMap()))
            return nullptr;
        // The window's own command files for the modem.
        std::ofstream(station.folder / "PTCFAXINI.INI") << "FAXINI\n";
        std::ofstream(station.folder / "PTCFAXDeINI.INI") << "FAXDEINI\n";
        StationConfig c;
        c.setLastTransmissionType(2);
        c.setInterfaceType(InterfacePtc2);
        c.setComPort(1);
        c.setI32(cfg::kBaudRate, 9600);
        writeConfig(c);
        makeMain();
        settle();
        return qobject_cast<TFAXRXWin*>(main->receiveWindow());
    }

    // The count of a command in what the program sent so far.
    static int count(const std::string& rx, const std::string& what)
    {
        int n = 0;
        for (auto p = rx.find(what); p != std::string::npos; p = rx.find(what, p + 1))
            ++n;
        return n;
    }

    std::unique_ptr<SimulatedDevice> dev;
};

TEST_F(FaxSerialTest, PtcStreamsIntoTheRingAndIsRecoveredAndReleased)
{
    TELLUR_REQUIRE_SOCAT();
    TFAXRXWin* fax = openFaxOn({"ptc2", "--rate", "20000"});
    ASSERT_NE(fax, nullptr);

    EXPECT_TRUE(dev->receivedSatisfies([](const std::string& rx) {
        const auto ini = rx.find("FAXINI\r");
        return ini != std::string::npos && rx.find("FAX D 800\rFAX Tellur\r", ini) != std::string::npos;
    })) << "the window's command file goes first";
    EXPECT_EQ(station.flags.currentOperatingMode.load(), ModeFaxFm);
    ASSERT_TRUE(waitUntil([&] { return station.ring.writeSnapshot() >= 3000; }, 10000)) << "the serial reader fills the ring";
    EXPECT_TRUE(ringHoldsRamp(station.ring, 3000));
    EXPECT_FALSE(main->findChild<QLabel*>("PTCErrorPanel")->isVisibleTo(main.get()));

    // Silent for more than 10 window ticks: logged, released and set up again.
    ASSERT_TRUE(dev->silence());
    EXPECT_TRUE(waitUntil([&] {
        fax->Timer1Timer();
        return log->contains("+++watchdog alert (FAX)");
    }, 10000));
    EXPECT_TRUE(dev->receivedSatisfies([&](const std::string& rx) { return count(rx, "FAX Tellur\r") == 2; }));
    EXPECT_EQ(station.flags.currentOperatingMode.load(), ModeFaxFm);

    // Closing switches the window's mode off, then sends the window's closing commands. (The
    // release escape is not checked: on a loaded machine the program's "clear output" may flush
    // it from the pseudo-terminal before the simulator has read it.)
    main->close();
    EXPECT_EQ(station.flags.currentOperatingMode.load(), ModeOff);
    EXPECT_TRUE(dev->receivedSatisfies([](const std::string& rx) {
        return rx.find("FAXDEINI\r", rx.rfind("FAX Tellur\r")) != std::string::npos;
    }));
    EXPECT_TRUE(log->contains("end FAX reception"));
}

TEST_F(FaxSerialTest, PtcThatCannotBeSetUpShowsItsStatusInTheErrorPanel)
{
    TELLUR_REQUIRE_SOCAT();
    ASSERT_NE(openFaxOn({"ptc2", "--no-answer", "FAX_D_800"}), nullptr);
    auto* panel = main->findChild<QLabel*>("PTCErrorPanel");
    EXPECT_TRUE(panel->isVisibleTo(main.get()));
    EXPECT_EQ(panel->text(), "PTC could not be set to FM mode. Please wait, will retry...");
    EXPECT_EQ(station.flags.currentOperatingMode.load(), ModeFaxFm) << "recorded all the same, the watchdog retries";
}

// A close arriving while the window's set-up waits for the modem (events are served meanwhile)
// must not free the window under its feet: it is carried out once the set-up has returned.
TEST_F(FaxSerialTest, CloseDuringTheSetUpWaitsForIt)
{
    TELLUR_REQUIRE_SOCAT();
    bool closedDuringSetUp = false;
    QTimer::singleShot(300, [&] {
        closedDuringSetUp = main && main->receiveWindow() == nullptr;
        main->close();
    });
    ASSERT_NE(openFaxOn({"ptc2", "--no-answer", "FAX_D_800"}), nullptr);
    EXPECT_TRUE(closedDuringSetUp) << "the close came while the set-up was waiting";
    EXPECT_TRUE(waitUntil([&] { return !main->isVisible(); }, 10000));
    EXPECT_EQ(main->receiveWindow(), nullptr);
    EXPECT_TRUE(log->contains("end FAX reception"));
    EXPECT_TRUE(log->contains("tellur32 terminates"));
}

} // namespace
} // namespace tellur::ui::test
