// The SSTV station: its settings from the configuration, and what becomes of a received picture
// (the time stamp, the "Last Received" page and folder, the command after picture RX).
#include "sstv_test_util.h"

#include "core/config_file.h"
#include "sstv/sstv_station.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace tellur;
using namespace tellur::sstv;
using namespace sstvtest;
namespace fs = std::filesystem;

namespace {

struct StationSink : SstvStationSink {
    std::vector<fs::path> stored;
    std::vector<fax::ExternalCommand> commands;
    std::vector<int> started;
    void pictureStarted(int row) override { started.push_back(row); }
    void pictureStored(const fs::path& file, int, int) override { stored.push_back(file); }
    void runCommand(const fax::ExternalCommand& c) override { commands.push_back(c); }
};

} // namespace

TEST(SstvStationSettings, TakenFromTheConfiguration)
{
    StationConfig config;
    config.setI32(cfg::kSstvMaxPictures, 20);
    config.setI32(cfg::kSstvMaxMissingSyncs, 12);
    config.setI32(cfg::kSstvSavePercentage, 60);
    config.setI32(cfg::kSstvPictureFormat, 1);
    config.setFlag(cfg::kSstvQrmMode, true);
    config.setI32(cfg::kRepeaterFrequency, 1800);
    config.setStr(cfg::kSstvCommandAfterRx, cfg::kSstvCommandCapacity, "viewer @");
    config.setFolder(StationFolder::SstvLastReceived, "./RX/");
    const auto s = sstvStationSettings(config, "/station");
    EXPECT_EQ(s.catalog.maxPictures, 20);
    EXPECT_EQ(s.rx.maxMissingSyncs, 12);
    EXPECT_EQ(s.rx.savePercentage, 60);
    EXPECT_EQ(s.catalog.formatIndex, 1);
    EXPECT_TRUE(s.rx.qrmMode);
    EXPECT_EQ(s.rx.repeaterFrequencyHz, 1800);
    EXPECT_EQ(s.commandAfterRx, "viewer @");
    EXPECT_EQ(s.catalog.lastReceivedFolder, folderPath(config, StationFolder::SstvLastReceived, "/station"));
    EXPECT_EQ(s.rx.interfaceType, kInterfaceSoundcard);

    // Out-of-range values are held to the fields' ranges.
    config.setI32(cfg::kSstvMaxPictures, 3);
    config.setI32(cfg::kSstvMaxMissingSyncs, 99);
    config.setInterfaceType(kInterfacePtcII);
    const auto t = sstvStationSettings(config, "/station");
    EXPECT_EQ(t.catalog.maxPictures, 15);
    EXPECT_EQ(t.rx.maxMissingSyncs, 40);
    EXPECT_EQ(t.rx.interfaceType, kInterfacePtcII);
}

TEST(SstvStation, ReceivedPictureGoesToLastReceived)
{
    const fs::path dir = fs::temp_directory_path() / ("tellur-sstv-station-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const auto& mode = kSstvModes[kRobotBw12Row];
    const auto items = passChannel(transmission(kRobotBw12Row, withHeader(colouredScreen(mode.columns, mode.rows))), Channel{});

    struct Case {
        const char* what;
        bool schedulerEvent;
        bool timestamp;
    };
    for (const Case c : {Case{"by hand, stamped", false, true}, Case{"during a schedule event", true, false}}) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir);
        SstvStationSettings settings;
        settings.catalog.lastReceivedFolder = dir / "SSTV-Lastreceived";
        settings.commandAfterRx = "/opt/view -o @";
        settings.dateFormat = "dd.mm.yyyy";
        settings.timestamp = c.timestamp;
        SampleRing ring;
        LevelHistogram histogram;
        RecordingEventLog log;
        StationSink sink;
        BlockText text;
        SstvStation station(settings, ring, histogram, log, &sink, [] { return CivilTime{2004, 3, 5, 7, 9, 0}; }, &text);
        station.setSchedulerEventRunning(c.schedulerEvent);
        const auto block = static_cast<std::size_t>(7350 / 5);
        for (std::size_t i = 0; i < items.size(); i += block) {
            ring.append(std::span(items.data() + i, std::min(block, items.size() - i)));
            station.tick();
        }
        station.endOfInput();
        EXPECT_FALSE(station.receiver().receiving());

        ASSERT_EQ(sink.started, std::vector<int>{kRobotBw12Row});
        const fs::path expected = dir / "SSTV-Lastreceived" / "20040305 0709 Rob. BW12.PNG";
        ASSERT_EQ(sink.stored, std::vector<fs::path>{expected});
        EXPECT_EQ(station.catalog().page(kLastReceivedPage).files, std::vector<fs::path>{expected});
        RgbPicture saved;
        ASSERT_TRUE(saved.load(expected));
        // The stamp sits 5 from the left, 20 above the bottom, white over a black shadow.
        EXPECT_EQ(saved.getPixel(6, 256 - 19) == 0xFFFFFFu, c.timestamp);
        if (c.schedulerEvent) {
            EXPECT_TRUE(sink.commands.empty());
        } else {
            ASSERT_EQ(sink.commands.size(), 1u);
            EXPECT_EQ(sink.commands[0].program, "/opt/view");
            EXPECT_EQ(sink.commands[0].parameters, " -o \"" + expected.string() + "\"");
            EXPECT_EQ(sink.commands[0].workingFolder, "/opt");
        }
    }
    fs::remove_all(dir);
}
