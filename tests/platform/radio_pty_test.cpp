// Frequency control on real pseudo-terminals: each radio type's bytes arrive at a rig behind
// its own port while the interface's port is lent and given back, and the PTC-II path tunes
// through the modem in the middle of a FAX reception.
#include "core/mode_switch.h"
#include "core/station_config.h"
#include "platform/process_runner.h"
#include "platform/qt_serial_port.h"
#include "serial_pty_rig.h"
#include "signal/serial_mode_devices.h"
#include "station/frequency_control.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tellur;
using namespace tellur::signal;
using namespace tellur::station;
using namespace tellur::platform;
using tellur::testing::eventually;
using tellur::testing::SimulatedDevice;

namespace {

constexpr int kInterfacePort = 1;
constexpr int kRadioPort = 2;

// COM1 leads to the interface device, every other number to the rig.
SerialPortMap splitMap(const SimulatedDevice& interface, const SimulatedDevice& rig)
{
    SerialPortMap map = rig.portMap();
    map.devices[kInterfacePort - 1] = interface.devicePath().string();
    return map;
}

struct Station {
    Station(const SerialPortMap& map, signal::InterfaceType type)
        : port(map)
        , pulse(map)
    {
        config.setInterfaceType(static_cast<std::int32_t>(type));
        config.setComPort(kInterfacePort);
    }

    StationConfig config;
    RunFlags flags;
    std::unique_ptr<SampleRing> ring = std::make_unique<SampleRing>();
    QtSerialPort port;
    QtSerialPort pulse;
    SteadySerialClock clock;
    SerialWaiter waiter{clock};
    RecordingEventLog log;
    ScriptedSerialDeviceUi ui;
    QtProcessRunner processes;
    SerialModeDevices serial{config, flags, *ring, port, pulse, waiter, log, ui, &processes};
    ModeSwitch modeSwitch{config, flags, serial, processes, log, "/nonexistent"};
    SwitchedRadioStation radio{config, modeSwitch, serial, processes};
    FrequencyControl control{config, flags, radio, log, "/nonexistent"};
};

std::string bytes(std::initializer_list<int> b)
{
    std::string s;
    for (int v : b)
        s += static_cast<char>(v);
    return s;
}

} // namespace

TEST(RadioPty, EachRadioTypeReachesTheRigAndTheInterfacePortComesBack)
{
    TELLUR_REQUIRE_SOCAT();
    struct Case {
        const char* what;
        RadioType type;
        const char* address;
        const char* command;
        const char* khz;
        std::string expected;
    };
    const Case cases[] = {
        {"Icom $56", RadioType::Icom, "$56", "", "14230.5",
         bytes({0xFE, 0xFE, 0x56, 0xE0, 0x00, 0x00, 0x05, 0x23, 0x14, 0xFD, 0xFE, 0xFE, 0x56, 0xE0, 0x06, 0x01, 0xFD})},
        {"Kenwood VFO A", RadioType::Kenwood, "A", "", "7040", "FA00007040000;MD2;"},
        {"Kenwood VFO B", RadioType::Kenwood, "B", "", "7040", "FB00007040000;MD2;"},
        {"Yaesu 1", RadioType::Yaesu1, "", "", "14230.5",
         bytes({0x50, 0x30, 0x42, 0x01, 0x0A, 0x01, 0x01, 0x01, 0x01, 0x0C})},
        {"Yaesu 2", RadioType::Yaesu2, "", "", "14230.5",
         bytes({0x01, 0x42, 0x30, 0x50, 0x01, 0x01, 0x01, 0x01, 0x01, 0x07})},
        {"Direct with @", RadioType::Direct, "", "$0AF@$0D", "3580", "\nF3580\r"},
    };
    for (const auto& c : cases) {
        SimulatedDevice interface({"rig"});
        SimulatedDevice rig({"rig"});
        ASSERT_TRUE(interface.ready() && rig.ready()) << c.what;
        Station st(splitMap(interface, rig), signal::InterfaceType::Ptc2);
        setRadioPortEntry(st.config, 4, {c.command, false, true, kRadioPort, 4800, c.type, c.address});
        st.port.setNumber(kInterfacePort);
        st.port.setBaudRate(57600);
        ASSERT_TRUE(st.port.open()) << c.what;
        st.serial.startSerialReader(3);

        const TuneResult r = st.control.setFrequency(4, c.khz);
        EXPECT_TRUE(r.ok()) << c.what << ": " << r.reason;
        EXPECT_TRUE(rig.receivedSatisfies([&](const std::string& rx) { return rx == c.expected; }))
            << c.what << ": " << rig.received().size() << " bytes";

        EXPECT_TRUE(st.port.isOpen()) << c.what;
        EXPECT_EQ(st.port.number(), kInterfacePort) << c.what;
        EXPECT_EQ(st.port.baudRate(), 57600) << c.what;
        EXPECT_TRUE(st.serial.readerRunning()) << c.what;
        st.serial.stopSerialReader();
        ASSERT_TRUE(st.port.write("back")) << c.what;
        EXPECT_TRUE(interface.receivedSatisfies([](const std::string& rx) { return rx == "back"; })) << c.what;
        EXPECT_EQ(rig.received(), c.expected) << c.what; // nothing after the commands
    }
}

TEST(RadioPty, ThePtcTunesInTheMiddleOfAFaxReception)
{
    TELLUR_REQUIRE_SOCAT();
    SimulatedDevice modem({"ptc2", "--rate", "20000"});
    ASSERT_TRUE(modem.ready());
    Station st(modem.portMap(), signal::InterfaceType::Ptc2);
    setRadioPortEntry(st.config, 1, {"", true, false, 0, 2400, RadioType::Icom, "$56"});
    ASSERT_TRUE(st.modeSwitch.setOperatingMode(ModeFaxFm));
    ASSERT_TRUE(eventually([&] { return st.ring->writeSnapshot() >= 1000; }));

    const TuneResult r = st.control.setFrequency(1, "14230,5");
    EXPECT_TRUE(r.ok()) << r.reason;
    EXPECT_TRUE(modem.receivedSatisfies([](const std::string& rx) {
        const auto tune = rx.find("TRX Frequency 14230.5\r");
        return tune != std::string::npos && rx.find("FAX Tellur\r", tune) != std::string::npos;
    }));
    EXPECT_EQ(st.flags.currentOperatingMode.load(), ModeFaxFm);
    EXPECT_TRUE(st.serial.readerRunning());
    const auto before = st.ring->writeSnapshot();
    EXPECT_TRUE(eventually([&] { return st.ring->writeSnapshot() != before; }));
    st.modeSwitch.setOperatingMode(ModeOff);
}
