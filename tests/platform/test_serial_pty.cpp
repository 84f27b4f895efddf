// The serial engine against simulated devices on real pseudo-terminals, through QSerialPort.
#include "platform/qt_serial_port.h"
#include "platform/process_runner.h"
#include "serial_pty_rig.h"
#include "signal/serial_devices.h"
#include "signal/serial_reader.h"
#include "signal/serial_watchdog.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tellur;
using namespace tellur::signal;
using namespace tellur::platform;
using tellur::testing::eventually;
using tellur::testing::SimulatedDevice;
using tellur::testing::ringHoldsRamp;
using tellur::testing::ticksUntilAlert;

namespace {

// Everything a set-up procedure needs, on real time and real ports.
struct PtyStation {
    explicit PtyStation(const SimulatedDevice& dev, InterfaceType type, int baud = 9600)
        : port(dev.portMap())
        , pulse(dev.portMap())
    {
        SerialDeviceSettings s;
        s.interfaceType = type;
        s.comPort = 1;
        s.baudRate = baud;
        devices.setSettings(s);
    }
    // What the mode switch does after a set-up: reopen the port and start the reader.
    void startReader()
    {
        port.close();
        port.setNumber(1);
        port.open();
        reader = std::make_unique<Tspythread>(port, framing, *ring, watchdog, 3);
    }

    QtSerialPort port;
    QtSerialPort pulse;
    SteadySerialClock clock;
    SerialWaiter waiter {clock};
    RecordingEventLog log;
    ScriptedSerialDeviceUi ui;
    QtProcessRunner runner;
    SerialDevices devices {port, pulse, waiter, log, ui, &runner};
    std::unique_ptr<SampleRing> ring = std::make_unique<SampleRing>();
    SerialFraming framing;
    std::atomic<std::int32_t> watchdog {kWatchdogRestart};
    std::unique_ptr<Tspythread> reader;
};



} // namespace

TEST(SerialPty, PortReadsWritesAndNoticesAVanishingDevice)
{
    TELLUR_REQUIRE_SOCAT();
    SimulatedDevice dev({"ptc2"});
    ASSERT_TRUE(dev.ready());
    QtSerialPort port(dev.portMap());
    port.setNumber(2);
    port.setBaudRate(57600);
    EXPECT_EQ(port.bytesWaiting(), 0u);
    ASSERT_TRUE(port.open());
    port.setRts(true); // no modem lines on a pty: silently ignored
    port.setDtr(false);
    port.setBreak(false);
    EXPECT_TRUE(port.write("\r"));
    std::string got;
    ASSERT_TRUE(eventually([&] { return (got += port.read()).find("cmd:") != std::string::npos; }));
    EXPECT_TRUE(port.write(std::string("\x1e", 1)));
    ASSERT_TRUE(eventually([&] { return port.bytesWaiting() >= 2; }));
    port.clearInput();
    EXPECT_EQ(port.read(), "");

    port.setBaudRate(9600); // reopens
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.baudRate(), 9600);

    dev.unplug();
    EXPECT_TRUE(eventually([&] {
        port.write("x");
        return !port.isOpen();
    }));
    EXPECT_FALSE(port.open());
    EXPECT_EQ(port.read(), "");

    auto map = SerialPortMap::defaults();
    map.devices[4] = "/nonexistent/tty";
    port.setPortMap(map);
    port.setNumber(5);
    EXPECT_FALSE(port.open());
    EXPECT_FALSE(port.write("x"));
    port.setNumber(0); // NONE
    EXPECT_FALSE(port.open());
}

TEST(SerialPty, PtcFaxInitialisationStreamAndWatchdog)
{
    TELLUR_REQUIRE_SOCAT();
    SimulatedDevice dev({"ptc2", "--rate", "20000"});
    ASSERT_TRUE(dev.ready());
    PtyStation st(dev, InterfaceType::Ptc2);
    ASSERT_TRUE(st.devices.ptc2Initialise("FM"));
    EXPECT_EQ(st.port.baudRate(), 57600);
    EXPECT_TRUE(dev.receivedSatisfies([](const std::string& rx) {
        return rx.find("\rTERM 0\rFAX MBAUD 57600\rFAX D 800\rFAX Tellur\r") != std::string::npos;
    }));
    EXPECT_EQ(st.log.entries().back().text, "end PTC-II initialization new firmware with success");

    st.startReader();
    ASSERT_TRUE(eventually([&] { return st.ring->writeSnapshot() >= 3000; }));
    EXPECT_TRUE(ringHoldsRamp(*st.ring, 3000));
    st.watchdog = 5;
    EXPECT_TRUE(eventually([&] { return st.watchdog.load() == 0; }));

    ASSERT_TRUE(dev.silence());
    EXPECT_GE(ticksUntilAlert(st.watchdog), 11);
    st.reader->stop();
}

TEST(SerialPty, PtcWithoutFaxAnswerFailsWithStatus)
{
    TELLUR_REQUIRE_SOCAT();
    SimulatedDevice dev({"ptc2", "--prompt", "*", "--no-answer", "FAX_D_800"});
    ASSERT_TRUE(dev.ready());
    PtyStation st(dev, InterfaceType::Ptc2);
    EXPECT_FALSE(st.devices.ptc2Initialise("FM"));
    EXPECT_EQ(st.devices.statusMessage(), "PTC could not be set to FM mode. Please wait, will retry...");
    EXPECT_EQ(st.log.entries().back().text, "end PTC-II initialization new firmware with failure");
}

TEST(SerialPty, HariFaxSstvAndStream)
{
    TELLUR_REQUIRE_SOCAT();
    SimulatedDevice dev({"harifax", "--rate", "20000"});
    ASSERT_TRUE(dev.ready());
    PtyStation st(dev, InterfaceType::HariFax);
    ASSERT_TRUE(st.devices.hariFaxInitialise("SSTV"));
    EXPECT_TRUE(dev.receivedSatisfies([](const std::string& rx) { return rx == "\xff\x40"; }));
    st.startReader();
    ASSERT_TRUE(eventually([&] { return st.ring->writeSnapshot() >= 1000; }));
    EXPECT_TRUE(ringHoldsRamp(*st.ring, 1000));
    ASSERT_TRUE(dev.silence());
    EXPECT_GE(ticksUntilAlert(st.watchdog), 11);
}

TEST(SerialPty, VireoDownloadSendsTheProgramExactly)
{
    TELLUR_REQUIRE_SOCAT();
    SimulatedDevice dev({"vireo", "--rate", "20000"});
    ASSERT_TRUE(dev.ready());
    auto file = dev.devicePath().parent_path() / "FMFAX95.LOD";
    std::ofstream(file, std::ios::binary)
        << "start line\r\n_DATA P 0000\r\n0A 0B 0C\r\n_SYMBOL P\r\nsym 0001\r\n_END 0100  \r\n";
    PtyStation st(dev, InterfaceType::EasyDsp, 115200);
    ASSERT_TRUE(st.devices.easyDspDownloadVireo(file));
    EXPECT_TRUE(dev.receivedSatisfies(
        [](const std::string& rx) { return rx == "_END 7F80START LINE_DATA P 00000A 0B 0C_END 0100"; }))
        << dev.received();
    st.startReader();
    ASSERT_TRUE(eventually([&] { return st.ring->writeSnapshot() >= 500; }));
    EXPECT_TRUE(ringHoldsRamp(*st.ring, 500));
}

TEST(SerialPty, AlephProbeRunsTheDownloader)
{
    TELLUR_REQUIRE_SOCAT();
    SimulatedDevice dev({"aleph"});
    ASSERT_TRUE(dev.ready());
    auto folder = dev.devicePath().parent_path();
    {
        std::ofstream script(folder / "dl");
        script << "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/dl-args\"\n";
    }
    std::filesystem::permissions(folder / "dl", std::filesystem::perms::owner_all);
    PtyStation st(dev, InterfaceType::EasyDsp);
    auto s = st.devices.settings();
    s.programFolder = folder;
    st.devices.setSettings(s);
    ASSERT_TRUE(st.devices.easyDspDownloadAleph(folder / "AM14BIT.LOD"));
    std::ifstream args(folder / "dl-args");
    std::string line;
    std::getline(args, line);
    EXPECT_EQ(line, "-p1 -g " + (folder / "AM14BIT.LOD").string());
}

TEST(SerialPty, ReaderSurvivesGarbageBurstsAndUnplugging)
{
    TELLUR_REQUIRE_SOCAT();
    auto noise = std::filesystem::temp_directory_path() / ("tellur-noise-" + std::to_string(::getpid()));
    {
        std::ofstream f(noise, std::ios::binary);
        std::uint32_t x = 12345;
        for (int i = 0; i < 65536; ++i) {
            x = x * 1103515245u + 12345u;
            f.put(static_cast<char>(x >> 24));
        }
    }
    SimulatedDevice dev({"stream", "--file", noise.string(), "--rate", "400000", "--loop"});
    ASSERT_TRUE(dev.ready());
    PtyStation st(dev, InterfaceType::Other);
    st.framing.setFourteenBit(true);
    st.startReader();
    ASSERT_TRUE(eventually([&] { return st.reader->bytesRead() > 100000; }));
    dev.unplug();
    EXPECT_TRUE(eventually([&] { return !st.port.isOpen(); }));
    std::uint64_t before = st.reader->bytesRead();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(st.reader->bytesRead(), before);
    st.reader->stop();
    std::filesystem::remove(noise);
}
