#include "signal/serial_framing.h"
#include "signal/serial_reader.h"
#include "signal/serial_wait.h"
#include "signal/serial_watchdog.h"
#include "serial_fakes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

using namespace tellur;
using namespace tellur::signal;
using namespace tellur::signal::testing;

TEST(SerialWait, ResponseWaitPicksTheLastMatchingAlternative)
{
    struct Case {
        const char* arrives;
        int want;
    };
    for (auto c : {Case{"*", 2}, Case{"cmd: *", 2}, Case{"* cmd:", 2}, Case{"\r\ncmd: ", 1}, Case{"", 0},
                   Case{"cmd", 0}, Case{"garbage\xff\x00", 0}}) {
        ManualClock clock;
        SerialWaiter waiter(clock);
        FakeSerialPort port;
        port.open();
        port.feed(c.arrives);
        double start = clock.nowMs();
        EXPECT_EQ(waiter.responseWait(port, "cmd:^*", 5), c.want) << c.arrives;
        double waited = clock.nowMs() - start;
        if (c.want == 0) {
            EXPECT_GT(waited, 5 * 1000.0 / 18);
            EXPECT_LT(waited, 5 * 1000.0 / 18 + 5);
        } else {
            EXPECT_EQ(waited, 0);
        }
    }
}

TEST(SerialWait, PromptArrivingLaterIsSeenAndMessagesArePumped)
{
    ManualClock clock;
    SerialWaiter waiter(clock);
    FakeSerialPort port;
    port.open();
    clock.onAdvance = [&](double now) {
        if (now >= 1300 && now < 1302)
            port.feed("cm");
        if (now >= 1400 && now < 1402)
            port.feed("d: ");
    };
    int pumps = 0;
    waiter.setMessagePump([&] { ++pumps; });
    EXPECT_EQ(waiter.responseWait(port, "cmd:^*", 18), 1);
    EXPECT_GT(pumps, 100);

    // Once closing has started nothing is pumped any more; the wait still times out.
    bool closing = true;
    waiter.setCloseStarted([&] { return closing; });
    pumps = 0;
    EXPECT_EQ(waiter.responseWait(port, "cmd:^*", 1), 0);
    EXPECT_EQ(pumps, 0);
}

TEST(SerialWait, AlternativesAndInterfaceWait)
{
    EXPECT_EQ(responseAlternatives("cmd:^*"), (std::vector<std::string>{"cmd:", "*"}));
    EXPECT_EQ(responseAlternatives("_END 7F80>^XYZZY"), (std::vector<std::string>{"_END 7F80>", "XYZZY"}));
    EXPECT_EQ(responseAlternatives("^a^^"), (std::vector<std::string>{"a"}));

    ManualClock clock;
    SerialWaiter waiter(clock);
    for (double n : {5.0, 0.5, 0.1, 18.0}) {
        double start = clock.nowMs();
        waiter.interfaceWait(n);
        EXPECT_NEAR(clock.nowMs() - start, n * 56, 1e-9) << n;
    }
}

TEST(SerialFraming, FourteenBitAndEightBitStreams)
{
    struct Case {
        bool fourteen;
        std::vector<std::uint8_t> bytes;
        std::vector<std::uint16_t> items;
    };
    const std::vector<Case> cases = {
        {true, {0x81, 0x7F, 0x05}, {255, 133}},
        {true, {0x85, 0x10}, {656}},
        {true, {0x85, 0x86, 0x10}, {784}}, // a second high byte replaces the first
        {true, {0x10}, {16}},
        {true, {0xFF, 0x7F}, {16383}},
        {false, {0x81, 0x7F, 0x05, 0xFF}, {0x81, 0x7F, 0x05, 0xFF}},
    };
    for (const auto& c : cases) {
        auto ring = std::make_unique<SampleRing>();
        std::atomic<std::int32_t> watchdog{7};
        SerialFraming framing;
        framing.setFourteenBit(c.fourteen);
        framing.process(c.bytes, *ring, watchdog);
        ASSERT_EQ(ring->writeSnapshot(), static_cast<std::int32_t>(c.items.size()));
        for (std::size_t i = 0; i < c.items.size(); ++i)
            EXPECT_EQ(ring->at(static_cast<std::int64_t>(i)), c.items[i]);
        EXPECT_EQ(watchdog.load(), 0);
    }
}

TEST(SerialFraming, HighPartCarriesAcrossBlocksAndSplitsGiveTheSameItems)
{
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 3000; ++i) {
        int v = (i * 37) % 16384;
        stream.push_back(static_cast<std::uint8_t>(0x80 | (v >> 7)));
        stream.push_back(static_cast<std::uint8_t>(v & 0x7F));
    }
    auto whole = std::make_unique<SampleRing>();
    auto split = std::make_unique<SampleRing>();
    std::atomic<std::int32_t> wd{0};
    SerialFraming a, b;
    a.setFourteenBit(true);
    b.setFourteenBit(true);
    a.process(stream, *whole, wd);
    for (std::size_t i = 0; i < stream.size(); i += 7)
        b.process(std::span(stream).subspan(i, std::min<std::size_t>(7, stream.size() - i)), *split, wd);
    ASSERT_EQ(whole->writeSnapshot(), 3000);
    ASSERT_EQ(split->writeSnapshot(), 3000);
    for (int i = 0; i < 3000; ++i) {
        EXPECT_EQ(whole->at(i), (i * 37) % 16384);
        EXPECT_EQ(split->at(i), whole->at(i));
    }
}

TEST(SerialWatchdog, AlertAfterTenSilentTicks)
{
    std::atomic<std::int32_t> counter{kWatchdogRestart};
    int ticks = 0;
    while (!watchdogTick(counter, kWatchdogFaxSstv))
        ++ticks;
    EXPECT_EQ(ticks + 1, 21); // from -10 the eleventh tick above 0 fires
    counter = 0;
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(watchdogTick(counter, kWatchdogFaxSstv));
    EXPECT_TRUE(watchdogTick(counter, kWatchdogFaxSstv));
}

namespace {
// A port whose every read fails, as a vanishing USB adapter can.
class ThrowingPort final : public SerialPort {
public:
    bool open() override { return true; }
    void close() override { }
    bool isOpen() const override { return true; }
    void setNumber(int) override { }
    int number() const override { return 1; }
    void setBaudRate(int) override { }
    int baudRate() const override { return 9600; }
    void setFlowControl(FlowControl) override { }
    FlowControl flowControl() const override { return FlowControl::None; }
    void setRts(bool) override { }
    void setDtr(bool) override { }
    void setBreak(bool) override { }
    bool cts() const override { return false; }
    void clearInput() override { }
    void clearOutput() override { }
    std::size_t bytesWaiting() override { return 1; }
    std::string read() override
    {
        ++calls;
        throw std::runtime_error("device gone");
    }
    bool write(std::string_view) override { return false; }
    std::atomic<int> calls{0};
};

template <class Pred> bool eventually(Pred p)
{
    for (int i = 0; i < 2000; ++i) {
        if (p())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}
} // namespace

TEST(SerialReader, FillsTheRingFromBurstsAndSurvivesClosedAndFailingPorts)
{
    auto ring = std::make_unique<SampleRing>();
    std::atomic<std::int32_t> watchdog{-10};
    SerialFraming framing;
    FakeSerialPort port;
    port.traceLines = false;
    {
        Tspythread reader(port, framing, *ring, watchdog, 3);
        // Closed port: nothing read, nothing written.
        port.feed("xyz");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(ring->writeSnapshot(), 0);

        port.open();
        std::string burst;
        for (int i = 0; i < 100000; ++i)
            burst += static_cast<char>(i & 0xFF);
        port.feed(burst);
        port.feed(std::string("\x00\xff\x80", 3));
        ASSERT_TRUE(eventually([&] { return ring->writeSnapshot() == 100003; }));
        EXPECT_EQ(ring->at(99999), 99999 & 0xFF);
        EXPECT_EQ(ring->at(100001), 0xFF);
        EXPECT_EQ(watchdog.load(), 0);
        port.close(); // a disconnect while running
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        reader.stop();
        EXPECT_FALSE(reader.running());
    }

    ThrowingPort bad;
    Tspythread reader(bad, framing, *ring, watchdog, 0);
    ASSERT_TRUE(eventually([&] { return bad.calls.load() > 3; }));
    reader.stop();
}
