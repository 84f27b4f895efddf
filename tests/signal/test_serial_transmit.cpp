#include "signal/serial_transmit.h"
#include "serial_fakes.h"

#include <gtest/gtest.h>

using namespace tellur;
using namespace tellur::signal;
using namespace tellur::signal::testing;

namespace {
SerialDeviceSettings settings(InterfaceType type, int port)
{
    SerialDeviceSettings s;
    s.interfaceType = type;
    s.comPort = port;
    return s;
}
} // namespace

TEST(SerialTransmit, BeginAndEndHandshake)
{
    FakeSerialPort port;
    SerialTransmit tx(port);
    tx.setSettings(settings(InterfaceType::Ptc2, 2));

    EXPECT_FALSE(tx.transmission(true, false)); // port closed
    port.open();
    port.clearTrace();
    EXPECT_TRUE(tx.transmission(true, false));
    EXPECT_EQ(port.flowControl(), FlowControl::Hardware);
    EXPECT_EQ(port.trace(), (std::vector<std::string>{"clear out", "close", "open 1 9600", "flow hw"}));

    port.clearTrace();
    EXPECT_TRUE(tx.transmission(false, false));
    EXPECT_EQ(port.flowControl(), FlowControl::None);
    EXPECT_EQ(port.written(), "\xfe");
    EXPECT_EQ(port.trace().back(), "clear in");

    port.clearTrace();
    EXPECT_TRUE(tx.transmission(false, true));
    std::string want(251, static_cast<char>(120));
    want[0] = '\xfd';
    EXPECT_EQ(port.written(), want);

    // CTS off: not ready, but the switch to hardware handshake still happens.
    port.ctsLine = false;
    EXPECT_FALSE(tx.transmission(true, false));
    EXPECT_EQ(port.flowControl(), FlowControl::Hardware);
}

TEST(SerialTransmit, OtherInterfacesSendNoEndByteAndSoundcardNeedsNoHandshake)
{
    FakeSerialPort port;
    port.open();
    SerialTransmit tx(port);
    tx.setSettings(settings(InterfaceType::HariFax, 1));
    EXPECT_TRUE(tx.transmission(false, true));
    EXPECT_EQ(port.written(), "");

    for (auto s : {settings(InterfaceType::SoundCard, 1), settings(InterfaceType::EasyDsp, 0)}) {
        FakeSerialPort idle;
        SerialTransmit t(idle);
        t.setSettings(s);
        EXPECT_TRUE(t.transmission(true, false));
        EXPECT_TRUE(idle.trace().empty());
    }
}

TEST(SerialTransmit, KeyingDrivesRtsAndDtrOfTheSoundcardPort)
{
    FakeSerialPort port;
    SerialTransmit tx(port);
    tx.setSettings(settings(InterfaceType::SoundCard, 4));
    tx.keying(true);
    tx.keying(false);
    EXPECT_EQ(port.trace(), (std::vector<std::string>{"open 4 9600", "rts 1", "dtr 1", "rts 0", "dtr 0", "close"}));

    FakeSerialPort none;
    SerialTransmit noPort(none);
    noPort.setSettings(settings(InterfaceType::SoundCard, 0));
    noPort.keying(true);
    EXPECT_TRUE(none.trace().empty());
}

TEST(SerialTransmit, CodeSinkWritesInChunksAndCountsFailures)
{
    FakeSerialPort port;
    port.traceLines = false;
    SerialCodeSink sink(port);
    EXPECT_EQ(sink.freeRoom(), 10000u);
    std::vector<std::uint8_t> codes(25000, 164);
    sink.write(codes);
    EXPECT_EQ(port.written().size(), 25000u);
    auto trace = port.trace();
    EXPECT_EQ(std::count_if(trace.begin(), trace.end(), [](auto& t) { return t.rfind("write", 0) == 0; }), 3);
    EXPECT_EQ(sink.failedWrites(), 0u);

    port.close();
    port.available = false;
    sink.write(codes);
    EXPECT_EQ(sink.failedWrites(), 3u);
}
