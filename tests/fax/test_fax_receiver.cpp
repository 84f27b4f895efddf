#include "fax_test_support.h"

#include <gtest/gtest.h>

using namespace faxtest;

namespace {

struct Rx {
    std::unique_ptr<SampleRing> ring = std::make_unique<SampleRing>();
    LevelHistogram hist;
    RecordingHost host;
    NullEventLog log;
    FaxReceiver rx{*ring, hist, host, log};
    explicit Rx(const FaxModeRecord& mode, FaxReceiverSettings s = {})
    {
        host.receiver = &rx;
        rx.selectMode(mode, s);
    }
    void feed(const std::vector<std::uint16_t>& items, std::size_t perTick)
    {
        for (std::size_t i = 0; i < items.size(); i += perTick) {
            const std::size_t n = std::min(perTick, items.size() - i);
            ring->append(std::span<const std::uint16_t>(items.data() + i, n));
            rx.tick();
        }
    }
};

// An FM FAX alternation between black and white at toneHz, as 7350 items/s.
std::vector<std::uint16_t> toneItems(double toneHz, double seconds)
{
    std::vector<std::uint16_t> v;
    for (int i = 0; i < static_cast<int>(seconds * 7350); ++i)
        v.push_back(std::fmod(i * toneHz / 7350.0, 1.0) < 0.5 ? 64 : 191);
    return v;
}

std::vector<std::uint16_t> constantItems(std::uint16_t item, double seconds, double rate = 7350)
{
    return std::vector<std::uint16_t>(static_cast<std::size_t>(seconds * rate), item);
}

} // namespace

TEST(FaxReceiverStart, ToneMustFillSixEvaluationsAndFiresAboutASecondAfterItEnds)
{
    Rx r(kDefaultFaxModes[0]);
    // One evaluation per tick: 736 items.
    const auto tone = toneItems(300, 736.0 * 8 / 7350);
    int phaseOneAt = -1;
    for (int e = 0; e < 8; ++e) {
        r.feed(std::vector<std::uint16_t>(tone.begin() + e * 736, tone.begin() + (e + 1) * 736), 736);
        if (phaseOneAt < 0 && r.rx.startPhase() == 1)
            phaseOneAt = e + 1;
    }
    EXPECT_EQ(phaseOneAt, 6);
    EXPECT_EQ(r.rx.state(), ReceptionState::Waiting);
    int evaluationsAfter = 0;
    while (r.rx.state() == ReceptionState::Waiting && evaluationsAfter < 30) {
        r.feed(constantItems(128, 736.0 / 7350), 736);
        ++evaluationsAfter;
    }
    EXPECT_EQ(r.rx.state(), ReceptionState::WaitPhase);
    EXPECT_GE(evaluationsAfter, 8);
    EXPECT_LE(evaluationsAfter, 10);
}

TEST(FaxReceiverStart, AlternativeStartToneHalvesTheIndexOfCooperation)
{
    Rx r(kDefaultFaxModes[0]);
    r.feed(toneItems(675, 3.0), 1470);
    r.feed(constantItems(128, 2.0), 1470);
    EXPECT_NE(r.rx.state(), ReceptionState::Waiting);
    EXPECT_TRUE(r.rx.iocHalving());
    EXPECT_EQ(r.rx.ioc(), 288);
}

TEST(FaxReceiverRunning, TenLinesPerTickAndExactMaximum)
{
    FaxModeRecord mode = kDefaultFaxModes[0];
    mode.maxLines = 30;
    Rx r(mode);
    r.rx.startButtonClick();
    EXPECT_EQ(r.rx.state(), ReceptionState::Running);
    EXPECT_EQ(r.rx.button(), FaxButton::Auto) << "Start in waiting takes one picture, then automatic";
    r.ring->append(constantItems(100, 25 * 3675.0 / 7350 + 0.01));
    r.rx.tick();
    EXPECT_EQ(r.rx.lineCount(), 10);
    r.rx.tick();
    EXPECT_EQ(r.rx.lineCount(), 20);
    r.ring->append(constantItems(100, 10 * 3675.0 / 7350));
    r.rx.tick();
    r.rx.tick();
    ASSERT_EQ(r.host.saves.size(), 1u);
    EXPECT_EQ(r.host.saves[0].lines, 30) << "the picture ends with the line that reaches the maximum";
    EXPECT_EQ(r.rx.state(), ReceptionState::Waiting);
    EXPECT_EQ(r.rx.lineCount(), 0);
}

TEST(FaxReceiverRunning, ContinuousReceptionRestartsWithoutPause)
{
    FaxModeRecord mode = kDefaultFaxModes[0];
    mode.maxLines = 25;
    Rx r(mode);
    r.rx.startButtonClick();
    r.rx.setButton(FaxButton::Start); // the user keeps Start down while running
    r.rx.startButtonClick();
    r.feed(constantItems(100, 60 * 3675.0 / 7350 + 0.01), 1470);
    EXPECT_EQ(r.host.saves.size(), 2u);
    EXPECT_EQ(r.rx.state(), ReceptionState::Running);
}

TEST(FaxReceiverRunning, SaveThreadAndSlantPauseTheStateMachineNotTheItems)
{
    struct PausingHost : RecordingHost {
        bool busy = true;
        bool saveRunning() override { return busy; }
    } host;
    auto ring = std::make_unique<SampleRing>();
    LevelHistogram hist;
    NullEventLog log;
    FaxReceiver rx(*ring, hist, host, log);
    rx.startButtonClick();
    ring->append(constantItems(100, 5 * 3675.0 / 7350 + 0.01));
    rx.tick();
    EXPECT_EQ(rx.lineCount(), 0);
    EXPECT_EQ(ring->readIndex(), ring->writeSnapshot()) << "items are consumed while paused";
    host.busy = false;
    rx.tick();
    EXPECT_EQ(rx.lineCount(), 5) << "the state machine catches up";
}

TEST(FaxReceiverButtons, StopAbortsAndOffersTheSaveAboveTwentyLines)
{
    for (bool answer : {false, true}) {
        Rx r(kDefaultFaxModes[0]);
        r.rx.startButtonClick();
        r.feed(constantItems(100, 30 * 3675.0 / 7350 + 0.01), 1470);
        EXPECT_EQ(r.rx.lineCount(), 30);
        r.rx.stopButtonClick(answer);
        EXPECT_EQ(r.rx.state(), ReceptionState::Waiting);
        EXPECT_EQ(r.rx.button(), FaxButton::Auto);
        EXPECT_EQ(r.host.saves.size(), answer ? 1u : 0u);
    }
    Rx idle(kDefaultFaxModes[0]);
    idle.rx.stopButtonClick(true);
    EXPECT_EQ(idle.rx.button(), FaxButton::Stop) << "Stop while waiting disables reception";
    idle.feed(toneItems(300, 3.0), 1470);
    idle.feed(constantItems(128, 2.0), 1470);
    EXPECT_EQ(idle.rx.state(), ReceptionState::Waiting);
}

TEST(FaxReceiverButtons, PhasingTimesOutAfterSixtySeconds)
{
    Rx r(kDefaultFaxModes[0]);
    r.feed(toneItems(300, 3.0), 1470);
    r.feed(constantItems(128, 2.0), 1470);
    ASSERT_EQ(r.rx.state(), ReceptionState::Phasing);
    EXPECT_TRUE(r.rx.timer2Running());
    r.feed(constantItems(40, 59.0), 1470);
    EXPECT_EQ(r.rx.state(), ReceptionState::Phasing);
    r.feed(constantItems(40, 1.2), 1470);
    EXPECT_EQ(r.rx.state(), ReceptionState::Waiting);
}

TEST(FaxReceiverBadInput, NoPictureFromNoiseOrALoneStopTone)
{
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> u(0, 255);
    std::vector<std::uint16_t> noise(7350 * 30);
    for (auto& v : noise)
        v = static_cast<std::uint16_t>(u(rng));
    Rx r(kDefaultFaxModes[0]);
    r.feed(noise, 1470);
    r.feed(toneItems(450, 5.0), 1470);
    r.feed(constantItems(128, 2.0), 1470);
    EXPECT_EQ(r.rx.state(), ReceptionState::Waiting);
    EXPECT_TRUE(r.host.saves.empty());
}

TEST(FaxReceiverBadInput, FourteenBitItemsOutOfRangeAndTinyGeometry)
{
    FaxReceiverSettings s;
    s.fourteenBit = true;
    FaxModeRecord mode = kDefaultFaxModes[1];
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> u(0, 65535);
    std::vector<std::uint16_t> junk(7350 * 4);
    for (auto& v : junk)
        v = static_cast<std::uint16_t>(u(rng));
    Rx r(mode, s);
    r.rx.startButtonClick();
    r.feed(junk, 1470);
    EXPECT_GT(r.rx.lineCount(), 0);
    // A damaged row: no pixels, zero speed and no lines must not stall or crash the tick.
    mode.pixelsPerLine = 0;
    mode.pixelsToShow = 0;
    mode.lpm = 0;
    mode.maxLines = 0;
    r.rx.selectMode(mode, s);
    r.rx.startButtonClick();
    r.feed(junk, 1470);
    SUCCEED();
}
