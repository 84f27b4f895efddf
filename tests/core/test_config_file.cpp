#include "core/bounded_read.h"
#include "settings/config_fields.h"
#include "core/config_file.h"
#include "core/event_log.h"
#include "core/file_event_log.h"
#include "core/station_time.h"
#include "core_test_util.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tellur;
using tellur::test::readFile;
using tellur::test::TempStation;
using tellur::test::writeFile;
namespace fs = std::filesystem;

TEST(ConfigFile, NameReduction)
{
    struct Case { const char* in; const char* want; };
    for (auto c : {Case{"Contest.old", "Contest"}, {"Contest", "Contest"}, {"/tmp/x/Contest.CNJ", "Contest"},
                   {"C:\\Radio\\Contest.CNJ", "Contest"}, {"", ""}, {".hidden", ""}, {"a.b.c", "a"}})
        EXPECT_EQ(ConfigFileStore::reduceName(c.in), c.want) << c.in;
}

// Saved and loaded again, the record is identical byte for byte (folders already absolute).
TEST(ConfigFile, SaveLoadRoundTripIsByteExact)
{
    TempStation st;
    RecordingEventLog log;
    ConfigFileStore store(st.path(), log);
    StationConfig live;
    store.setUpFolders(live);
    live.setStr(40, 15, "DL1ABC");
    live.setF64(16, 7349.87);
    live.bytes()[16095] = 0x5A; // unused tail travels as it is
    ASSERT_TRUE(store.save(live, "Contest.old"));
    EXPECT_TRUE(log.contains("Configuration Contest saved with success"));
    EXPECT_EQ(readFile(st.path() / "Contest.CNJ").size(), 16104u);
    EXPECT_EQ(store.configurationName(), "Contest");

    StationConfig loaded;
    ASSERT_TRUE(store.load(loaded, "Contest"));
    EXPECT_TRUE(loaded == live);
    auto entries = log.entries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[entries.size() - 2].text, "");
    EXPECT_EQ(entries.back().text, "Configuration Contest loaded with success");
}

// Anything but one record with the right header leaves the live record as it was.
TEST(ConfigFile, MalformedFilesLeaveTheLiveRecordUnchanged)
{
    TempStation st;
    StationConfig good;
    good.setStr(40, 15, "GOOD");
    std::string goodBytes(reinterpret_cast<const char*>(good.bytes().data()), good.bytes().size());
    std::string foreign = goodBytes;
    foreign[16080 + 12] = '4'; // "TELLUR32-0104"
    std::string badLength = goodBytes;
    badLength[16080] = 12;

    struct Case { const char* what; std::string bytes; };
    const Case cases[] = {
        {"short", goodBytes.substr(0, 16103)},
        {"long", goodBytes + std::string(1, '\0')},
        {"empty", std::string()},
        {"foreign header", foreign},
        {"header length byte", badLength},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingEventLog log;
        ConfigFileStore store(st.path(), log);
        writeFile(st.path() / "tellur32.CNJ", c.bytes);
        StationConfig live;
        live.setStr(40, 15, "LIVE");
        const StationConfig before = live;
        EXPECT_FALSE(store.load(live, ""));
        EXPECT_TRUE(live == before);
        EXPECT_TRUE(log.contains("Failure loading configuration tellur32"));
        EXPECT_FALSE(log.contains("Configuration tellur32 loaded with success"));
    }
}

TEST(ConfigFile, UnreadableAndMissingFiles)
{
    TempStation st;
    RecordingEventLog log;
    ConfigFileStore store(st.path(), log);
    StationConfig live;
    const StationConfig before = live;
    EXPECT_FALSE(store.load(live, "")); // nothing there
    EXPECT_TRUE(live == before);

    fs::create_directory(st.path() / "tellur32.CNJ"); // a folder where the file should be
    EXPECT_FALSE(store.load(live, ""));
    EXPECT_TRUE(live == before);
    fs::remove(st.path() / "tellur32.CNJ");

    if (::geteuid() != 0) { // root reads anything
        ASSERT_TRUE(store.save(live, ""));
        ::chmod((st.path() / "tellur32.CNJ").c_str(), 0);
        StationConfig other;
        other.setStr(40, 15, "OTHER");
        const StationConfig otherBefore = other;
        EXPECT_FALSE(store.load(other, ""));
        EXPECT_TRUE(other == otherBefore);
        ::chmod((st.path() / "tellur32.CNJ").c_str(), 0644);
    }
    EXPECT_TRUE(log.contains("Failure loading configuration tellur32"));
}

TEST(ConfigFile, UnknownNameFallsBackToTheStandardFile)
{
    TempStation st;
    RecordingEventLog log;
    ConfigFileStore store(st.path(), log);
    StationConfig saved;
    saved.setStr(40, 15, "STD");
    ASSERT_TRUE(store.save(saved, ""));
    StationConfig live;
    ASSERT_TRUE(store.load(live, "NoSuchName"));
    EXPECT_EQ(live.callsign(), "STD");
    EXPECT_EQ(store.configurationName(), "tellur32");
    EXPECT_TRUE(store.isStandard());
}

TEST(ConfigFile, SaveIsSuppressedDuringEventsAndAfterReset)
{
    TempStation st;
    RecordingEventLog log;
    ConfigFileStore store(st.path(), log);
    StationConfig live;
    store.setScheduleEventRunning(true);
    EXPECT_TRUE(store.save(live, "Event"));
    EXPECT_FALSE(fs::exists(st.path() / "Event.CNJ"));
    store.setScheduleEventRunning(false);
    store.setResetDone(true);
    EXPECT_TRUE(store.save(live, ""));
    EXPECT_FALSE(fs::exists(st.path() / "tellur32.CNJ"));
    EXPECT_TRUE(log.entries().empty());
}

TEST(ConfigFile, FailedSaveLogsAndKeepsName)
{
    TempStation st;
    RecordingEventLog log;
    ConfigFileStore store(st.path() / "missing" / "deeper", log);
    StationConfig live;
    const StationConfig before = live;
    EXPECT_FALSE(store.save(live, "Contest"));
    EXPECT_TRUE(log.contains("+++Failure saving configuration Contest"));
    EXPECT_EQ(store.configurationName(), "tellur32");
    EXPECT_TRUE(live == before);
}

TEST(ConfigFile, FolderSetUpAndFallback)
{
    TempStation st;
    RecordingEventLog log;
    ConfigFileStore store(st.path(), log);
    StationConfig c;
    c.setFolder(StationFolder::Movies, ".\\My Movies\\Fax");
    c.setFolder(StationFolder::Schedules, (st.path() / "Radio" / "Sched").string());
    store.setUpFolders(c);
    const std::string base = st.path().string() + "/";
    EXPECT_EQ(c.folder(StationFolder::Movies), base + "My Movies/Fax/");
    EXPECT_EQ(c.folder(StationFolder::Schedules), base + "Radio/Sched/");
    EXPECT_EQ(c.folder(StationFolder::FaxLastReceived), base + "FAX-Lastreceived/");

    EXPECT_EQ(store.ensureFolder(c, StationFolder::Schedules), fs::path(base + "Radio/Sched"));
    EXPECT_TRUE(fs::is_directory(st.path() / "Radio" / "Sched"));

    // A folder that cannot be made (a file stands in its way) falls back to the standard one.
    writeFile(st.path() / "blocker", "x");
    c.setFolder(StationFolder::FaxLastReceived, base + "blocker/Fax/");
    store.ensureFolder(c, StationFolder::FaxLastReceived);
    EXPECT_EQ(c.folder(StationFolder::FaxLastReceived), base + "FAX-Lastreceived/");
    EXPECT_TRUE(fs::is_directory(st.path() / "FAX-Lastreceived"));
}

TEST(ConfigFile, LoadSetsUpAndCreatesTheFolders)
{
    TempStation st;
    RecordingEventLog log;
    ConfigFileStore store(st.path(), log);
    StationConfig saved; // relative default folders as shipped
    ASSERT_TRUE(store.save(saved, ""));
    StationConfig live;
    ASSERT_TRUE(store.load(live, ""));
    for (int i = 0; i < kFolderCount; ++i) {
        const auto name = std::string(kFolderNames[static_cast<std::size_t>(i)]);
        EXPECT_TRUE(fs::is_directory(st.path() / name)) << name;
        EXPECT_EQ(live.folder(static_cast<StationFolder>(i)), st.path().string() + "/" + name + "/");
    }
}

// A damaged field is put back to its default with a "+++" line naming it, the rest of the record
// is kept, and the load's lines follow the "Create event log:" switch of the record loaded.
TEST(ConfigFile, LoadRepairsFieldsAndLogsWithTheLoadedSwitches)
{
    TempStation st;
    FixedWallClock clock(0);
    FileEventLog log(st.path(), clock);
    ConfigFileStore store(st.path(), log);
    store.setRecordRepair(resetOutOfRangeFields);
    const ConfigField& maxLines = *findConfigField("faxMode.0.maxLines");
    StationConfig saved;
    saved.setFlag(cfg::kCreateEventLog, true);
    saved.setStr(40, 15, "DL1ABC");
    saved.setI32(maxLines.offset, 2000000000);
    ASSERT_TRUE(store.save(saved, "Damaged")); // written while the log was still off

    StationConfig live;
    ASSERT_TRUE(store.load(live, "Damaged"));
    EXPECT_EQ(live.i32(maxLines.offset), StationConfig().i32(maxLines.offset));
    EXPECT_EQ(live.callsign(), "DL1ABC");
    const std::string text = readFile(st.path() / "Logfiles" / FileEventLog::kActionFile);
    EXPECT_EQ(text.find("saved with success"), std::string::npos);
    const auto alert = text.find("+++Configuration Damaged: faxMode.0.maxLines out of range, default used\r\n");
    const auto loaded = text.find("Configuration Damaged loaded with success");
    ASSERT_NE(alert, std::string::npos) << text;
    ASSERT_NE(loaded, std::string::npos) << text;
    EXPECT_LT(alert, loaded);
}

// Whole-file reads stop at their cap, for files and for inputs without a size.
TEST(BoundedRead, RefusesWhatExceedsTheCap)
{
    TempStation st;
    writeFile(st.path() / "small", "12345");
    struct Case { const char* file; std::size_t cap; bool ok; };
    for (auto c : {Case{"small", 5, true}, {"small", 4, false}, {"missing", 100, false}}) {
        const auto got = readFileAtMost(st.path() / c.file, c.cap);
        EXPECT_EQ(got.has_value(), c.ok) << c.file << " " << c.cap;
    }
    // A pipe has no size to check beforehand: the read itself stops.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const std::string chunk(16384, 'x'); // fits the pipe's buffer
    ASSERT_EQ(::write(fds[1], chunk.data(), chunk.size()), static_cast<ssize_t>(chunk.size()));
    ::close(fds[1]);
    EXPECT_FALSE(readFileAtMost("/proc/self/fd/" + std::to_string(fds[0]), 10000).has_value());
    ::close(fds[0]);
}

// A station folder copied elsewhere keeps writing into itself: folders below the station folder
// are stored as "./X/" and made absolute against the folder in use; others stay as they are.
TEST(ConfigFile, FoldersBelowTheStationAreStoredRelative)
{
    TempStation st;
    RecordingEventLog log;
    const fs::path original = st.path() / "original", copy = st.path() / "copy";
    fs::create_directories(original);
    ConfigFileStore store(original, log);
    StationConfig live;
    store.setUpFolders(live);
    live.setFolder(StationFolder::Movies, (st.path() / "elsewhere" / "Movies").string() + "/");
    ASSERT_TRUE(store.save(live, ""));
    StationConfig onDisk;
    ASSERT_TRUE(decodeConfigRecord(std::span<const std::uint8_t>(
                                       reinterpret_cast<const std::uint8_t*>(readFile(original / "tellur32.CNJ").data()), 16104),
                                   onDisk));
    EXPECT_EQ(onDisk.folder(StationFolder::FaxLastReceived), "./FAX-Lastreceived/");
    EXPECT_EQ(onDisk.folder(StationFolder::Movies), (st.path() / "elsewhere" / "Movies").string() + "/");
    EXPECT_EQ(live.folder(StationFolder::FaxLastReceived), original.string() + "/FAX-Lastreceived/");

    fs::copy(original, copy, fs::copy_options::recursive);
    ConfigFileStore copied(copy, log);
    StationConfig loaded;
    ASSERT_TRUE(copied.load(loaded, ""));
    EXPECT_EQ(loaded.folder(StationFolder::FaxLastReceived), copy.string() + "/FAX-Lastreceived/");
}
