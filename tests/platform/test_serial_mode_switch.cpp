// The mode switch driving the real serial devices: the adapter, QSerialPort and the simulators
// on pseudo-terminals, as the receive windows use them.
#include "core/config_file.h"
#include "core/mode_switch.h"
#include "core/station_config.h"
#include "platform/qt_serial_port.h"
#include "serial_pty_rig.h"
#include "signal/serial_mode_devices.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tellur;
using namespace tellur::signal;
using namespace tellur::platform;
using tellur::testing::eventually;
using tellur::testing::ringHoldsRamp;
using tellur::testing::SimulatedDevice;
using tellur::testing::ticksUntilAlert;

namespace {

class NoProcesses final : public ProcessRunner {
public:
    bool run(const std::string&, const std::filesystem::path&, bool) override { return false; }
    void terminate() override { }
    bool running() const override { return false; }
};

struct Station {
    Station(const SimulatedDevice& dev, signal::InterfaceType type, int baud = 9600)
        : port(dev.portMap())
        , pulse(dev.portMap())
        , folder(dev.devicePath().parent_path())
    {
        config.setI32(0, static_cast<std::int32_t>(type));
        config.setU8(4, 1); // COM1
        config.setI32(8, baud);
        serial.setStationFolder(folder);
    }

    StationConfig config;
    RunFlags flags;
    std::unique_ptr<SampleRing> ring = std::make_unique<SampleRing>();
    QtSerialPort port;
    QtSerialPort pulse;
    SteadySerialClock clock;
    SerialWaiter waiter {clock};
    RecordingEventLog log;
    ScriptedSerialDeviceUi ui;
    NoProcesses processes;
    std::filesystem::path folder;
    SerialModeDevices serial {config, flags, *ring, port, pulse, waiter, log, ui};
    ModeSwitch modeSwitch {config, flags, serial, processes, log, folder};
};

} // namespace

TEST(SerialModeSwitch, PtcFaxReceptionWatchdogAndRecovery)
{
    TELLUR_REQUIRE_SOCAT();
    SimulatedDevice dev({"ptc2", "--rate", "20000"});
    ASSERT_TRUE(dev.ready());
    Station st(dev, signal::InterfaceType::Ptc2);

    ASSERT_TRUE(st.modeSwitch.setOperatingMode(ModeFaxFm));
    EXPECT_TRUE(dev.receivedSatisfies(
        [](const std::string& rx) { return rx.find("FAX D 800\rFAX Tellur\r") != std::string::npos; }));
    EXPECT_TRUE(st.serial.readerRunning());
    EXPECT_EQ(st.port.baudRate(), 57600);
    ASSERT_TRUE(eventually([&] { return st.ring->writeSnapshot() >= 3000; }));
    EXPECT_TRUE(ringHoldsRamp(*st.ring, 3000));
    EXPECT_TRUE(eventually([&] { return st.flags.serialWatchdog.load() == 0; }));

    ASSERT_TRUE(dev.silence());
    EXPECT_GE(ticksUntilAlert(st.flags.serialWatchdog), 11);

    // The window's recovery: off (the modem is released with 0xFF) and on again.
    EXPECT_TRUE(st.modeSwitch.setOperatingMode(ModeOff));
    EXPECT_FALSE(st.serial.readerRunning());
    // The release bytes go out on a port closed right after the write, which a loaded
    // pseudo-terminal may drop; their content is checked on a recording port elsewhere.
    EXPECT_FALSE(st.port.isOpen());

    // A transmission: the modem is set to FAX again, no reader runs, and the handshake finds
    // no CTS on a pseudo-terminal; an aborted end still sends the abort sequence.
    ASSERT_TRUE(st.modeSwitch.setOperatingMode(ModeTransmit));
    EXPECT_FALSE(st.serial.readerRunning());
    EXPECT_FALSE(st.serial.transmit().transmission(true, false));
    EXPECT_TRUE(st.port.isOpen());
    st.serial.transmit().transmission(false, true);
    std::string abort = "FAX Tellur\r" + std::string(251, '\x78');
    abort[11] = '\xfd';
    EXPECT_TRUE(dev.receivedSatisfies([&](const std::string& rx) { return rx.ends_with(abort); }));
}

TEST(SerialModeSwitch, PtcFailuresLeaveStatusMessages)
{
    TELLUR_REQUIRE_SOCAT();
    SimulatedDevice dev({"ptc2", "--no-answer", "FAX_D_800"});
    ASSERT_TRUE(dev.ready());
    {
        Station st(dev, signal::InterfaceType::Ptc2);
        EXPECT_FALSE(st.modeSwitch.setOperatingMode(ModeFaxFm));
        EXPECT_EQ(st.flags.interfaceStatusMessage, "PTC could not be set to FM mode. Please wait, will retry...");
        EXPECT_EQ(st.flags.currentOperatingMode.load(), ModeFaxFm);
        EXPECT_TRUE(st.serial.readerRunning()); // reads nothing while the port is closed
    }
    {
        Station st(dev, signal::InterfaceType::Ptc2);
        st.config.setU8(4, 7);
        auto map = dev.portMap();
        map.devices[6] = "/nonexistent/ttyUSB9";
        st.port.setPortMap(map);
        EXPECT_FALSE(st.modeSwitch.setOperatingMode(ModeFaxAm));
        EXPECT_TRUE(st.log.contains("+++port alert (COM7)"));
        EXPECT_EQ(st.flags.interfaceStatusMessage,
                  "Communication port Com7 not available! Please check configuration settings.");
    }
}

TEST(SerialModeSwitch, HariFaxSstv)
{
    TELLUR_REQUIRE_SOCAT();
    SimulatedDevice dev({"harifax", "--rate", "20000"});
    ASSERT_TRUE(dev.ready());
    Station st(dev, signal::InterfaceType::HariFax, 115200);
    ASSERT_TRUE(st.modeSwitch.setOperatingMode(ModeSstv));
    EXPECT_TRUE(dev.receivedSatisfies([](const std::string& rx) { return rx == "\xff\x40"; }));
    ASSERT_TRUE(eventually([&] { return st.ring->writeSnapshot() >= 1000; }));
    EXPECT_TRUE(ringHoldsRamp(*st.ring, 1000));
    ASSERT_TRUE(dev.silence());
    EXPECT_GE(ticksUntilAlert(st.flags.serialWatchdog), 11);
}

TEST(SerialModeSwitch, EasyDspVireoDownloadsTheModesProgram)
{
    TELLUR_REQUIRE_SOCAT();
    SimulatedDevice dev({"vireo", "--rate", "20000"});
    ASSERT_TRUE(dev.ready());
    Station st(dev, signal::InterfaceType::EasyDsp, 115200);
    auto lod = folderPath(st.config, StationFolder::Demodulators, st.folder) / "FMFAX95.LOD";
    std::filesystem::create_directories(lod.parent_path());
    std::ofstream(lod, std::ios::binary)
        << "start line\r\n_DATA P 0000\r\n0A 0B 0C\r\n_SYMBOL P\r\nsym 0001\r\n_END 0100  \r\n";
    ASSERT_TRUE(st.modeSwitch.setOperatingMode(ModeFaxFm));
    EXPECT_TRUE(dev.receivedSatisfies(
        [](const std::string& rx) { return rx == "_END 7F80START LINE_DATA P 00000A 0B 0C_END 0100"; }))
        << dev.received();
    EXPECT_EQ(st.port.baudRate(), 115200);
    ASSERT_TRUE(eventually([&] { return st.ring->writeSnapshot() >= 500; }));
    EXPECT_TRUE(ringHoldsRamp(*st.ring, 500));
}
