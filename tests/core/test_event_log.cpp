#include "core/file_event_log.h"
#include "core/station_config.h"
#include "core/station_time.h"
#include "core_test_util.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace tellur;
using tellur::test::readFile;
using tellur::test::TempStation;

namespace {
// 2024-01-15 12:30:05 UTC
constexpr std::int64_t kNoon = 1705321805000;
} // namespace

TEST(StationTime, UtcOrLocalByTheFlag)
{
    FixedWallClock clock(kNoon, 60); // local is UTC+1
    EXPECT_EQ(logTimeText(dateTimeFromMillis(stationTimeMillis(clock, false))), "2024-01-15 12:30:05");
    EXPECT_EQ(logTimeText(dateTimeFromMillis(stationTimeMillis(clock, true))), "2024-01-15 13:30:05");
    // Day count as the scheduler keeps it: 2024-01-15 is day 45306 after 1899-12-30.
    const double days = stationTimeDays(clock, false);
    EXPECT_EQ(static_cast<int>(days), 45306);
    EXPECT_EQ(dateTimeFromDays(days), (DateTime{2024, 1, 15, 12, 30, 5, 0}));
    EXPECT_DOUBLE_EQ(daysFromDateTime(DateTime{1899, 12, 30, 12, 0, 0, 0}), 0.5);
}

TEST(FileEventLog, LineFormatSwitchesAndForcedEntries)
{
    TempStation st;
    FixedWallClock clock(kNoon, 120);
    FileEventLog log(st.path(), clock);
    StationConfig c; // "Create event log:" off by default
    log.applyConfig(c);
    log.action("begin FAX reception");
    log.forcedAction("+++Trying to reboot computer, then restart Tellur32...");
    log.satellite("header");
    log.error("+++Exception occurred: x");
    log.repeater("Repeater goes to standby mode");
    c.setCreateEventLog(true);
    c.setFlag(cfg::kUseLocalTime, true);
    log.applyConfig(c);
    log.action("");
    log.action("Configuration tellur32 loaded with success");

    const auto dir = st.path() / "Logfiles";
    EXPECT_EQ(readFile(dir / "Action-log.txt"),
              "2024-01-15 12:30:05 UTC:  +++Trying to reboot computer, then restart Tellur32...\r\n"
              "\r\n"
              "2024-01-15 14:30:05 UTC:  Configuration tellur32 loaded with success\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "Sat-log.txt"));
    EXPECT_EQ(readFile(dir / "Error-log.txt"), "2024-01-15 12:30:05 UTC:  +++Exception occurred: x\r\n");
    EXPECT_EQ(readFile(dir / "Repeater-log.txt"), "2024-01-15 12:30:05 UTC:  Repeater goes to standby mode\r\n");
}

// An unwritable log folder loses the entries and nothing else. A file in place of the folder
// stands in for a read-only one, which root (as in CI) could still write into.
TEST(FileEventLog, UnwritableFolderLosesEntriesQuietly)
{
    TempStation st;
    tellur::test::writeFile(st.path() / "Logfiles", "not a folder");
    FixedWallClock clock(kNoon);
    FileEventLog log(st.path(), clock);
    log.forcedAction("lost");
    log.error("lost too");
    EXPECT_EQ(readFile(st.path() / "Logfiles"), "not a folder");
}

// Two threads logging at once: every line arrives whole.
TEST(FileEventLog, ConcurrentWritersNeverTearLines)
{
    TempStation st;
    FixedWallClock clock(kNoon);
    FileEventLog log(st.path(), clock);
    const std::string a(300, 'a'), b(300, 'b');
    std::vector<std::jthread> threads;
    for (const std::string* s : {&a, &b})
        threads.emplace_back([&log, s] {
            for (int i = 0; i < 200; ++i)
                log.error(*s);
        });
    threads.clear();
    const std::string text = readFile(st.path() / "Logfiles" / "Error-log.txt");
    const std::string prefix = "2024-01-15 12:30:05 UTC:  ";
    std::size_t pos = 0, lines = 0;
    while (pos < text.size()) {
        auto end = text.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(pos, end - pos);
        ASSERT_TRUE(line == prefix + a || line == prefix + b) << "torn line " << lines;
        ++lines;
        pos = end + 2;
    }
    EXPECT_EQ(lines, 400u);
}
