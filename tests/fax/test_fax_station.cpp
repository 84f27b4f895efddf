// The FAX station: one rule for the end of the input, results that do not depend on how the
// items arrived, and a save thread that works on its own copy of the picture.
#include "fax_test_support.h"

#include "fax/fax_station.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

using namespace faxtest;
namespace fs = std::filesystem;

namespace {

struct Sink : FaxStationSink {
    std::vector<FaxSaveResult> saves;
    std::vector<fs::path> movies;
    void saveFinished(const FaxSaveResult& r, const FinishedPicture&) override { saves.push_back(r); }
    void movieAppended(const fs::path& m, bool ok) override
    {
        if (ok)
            movies.push_back(m);
    }
};

// Holds the save thread in the stamp until released, so the test acts while a save runs.
struct GateText : TextMaskRenderer {
    std::mutex m;
    std::condition_variable cv;
    bool entered = false, open = false;
    TextMask render(std::string_view, const FontSpec&) override
    {
        std::unique_lock lock(m);
        entered = true;
        cv.notify_all();
        cv.wait(lock, [this] { return open; });
        return {};
    }
    void waitEntered()
    {
        std::unique_lock lock(m);
        cv.wait(lock, [this] { return entered; });
    }
    void release()
    {
        std::lock_guard lock(m);
        open = true;
        cv.notify_all();
    }
};

class FaxStationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = fs::temp_directory_path() /
               ("tellur_fax_station_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(home);
        fs::create_directories(home);
        config.setFolder(StationFolder::FaxLastReceived, (home / "pictures/").string());
        config.setFlag(cfg::kFaxAutoSave, true);
    }
    void TearDown() override { fs::remove_all(home); }

    // A picture received with Start: a grey ramp across each line, a step down every ten lines.
    static std::vector<std::uint16_t> rampItems(int lines)
    {
        std::vector<std::uint16_t> items;
        for (int l = 0; l < lines; ++l)
            for (int i = 0; i < 3675; ++i)
                items.push_back(std::uint16_t(64 + (i * 127 / 3675 + l / 10 * 9) % 128));
        return items;
    }

    fs::path home;
    StationConfig config;
    FixedWallClock clock{millisFromDateTime({.year = 2024, .month = 1, .day = 15, .hour = 12, .minute = 30})};
    std::unique_ptr<SampleRing> ring = std::make_unique<SampleRing>();
    LevelHistogram hist;
    NullEventLog log;
    Sink sink;
};

TEST_F(FaxStationTest, PicturesDoNotDependOnHowTheItemsArrive)
{
    const auto items = rampItems(40); // less than a ring, so all of it fits at once
    std::vector<std::vector<std::uint8_t>> first;
    for (std::size_t chunk : {std::size_t(1) << 20, std::size_t(512), std::size_t(7), std::size_t(4000)}) {
        SCOPED_TRACE(chunk);
        auto r = std::make_unique<SampleRing>();
        r->reset(7350, hist);
        FaxStation station(*r, hist, config, home, clock, log, sink);
        station.setSaveInline(true);
        station.selectMode(kDefaultFaxModes[0], {});
        station.startButton();
        for (std::size_t i = 0; i < items.size(); i += chunk) {
            r->append(std::span(items).subspan(i, std::min(chunk, items.size() - i)));
            station.tick();
        }
        station.endOfInput();
        const auto& pic = station.receiver().picture();
        std::vector<std::vector<std::uint8_t>> rows;
        for (int y = 0; y < 40; ++y)
            rows.emplace_back(pic.row(y), pic.row(y) + pic.width());
        if (first.empty())
            first = rows;
        else
            EXPECT_TRUE(rows == first);
    }
}

TEST_F(FaxStationTest, EndOfInputSavesThePictureUnderWay)
{
    ring->reset(7350, hist);
    FaxStation station(*ring, hist, config, home, clock, log, sink);
    station.selectMode(kDefaultFaxModes[0], {});
    station.startButton();
    ring->append(rampItems(30));
    station.tick();
    EXPECT_TRUE(sink.saves.empty()) << "the picture is still under way";
    station.endOfInput();
    ASSERT_EQ(sink.saves.size(), 1u);
    EXPECT_TRUE(sink.saves[0].written);
    EXPECT_EQ(sink.saves[0].file, home / "pictures" / "HF-Fax" / "HF-Fax_20240115_1230.png");
    EXPECT_EQ(station.receiver().state(), ReceptionState::Waiting);
}

// Start, "clear RX window" and another mode while the save thread runs: the file holds the
// picture as it was when the save began.
TEST_F(FaxStationTest, ASaveUnderWayKeepsThePictureItStartedWith)
{
    config.setFlag(cfg::kFaxTimestamp, true);
    GateText gate;
    ring->reset(7350, hist);
    FaxStation station(*ring, hist, config, home, clock, log, sink, {.text = &gate});
    station.selectMode(kDefaultFaxModes[0], {});
    station.startButton();
    ring->append(rampItems(30));
    station.tick();
    const storage::TDI8Bitmap before = station.receiver().picture();
    const int lines = station.receiver().lineCount();
    ASSERT_GT(lines, 20);

    ASSERT_TRUE(station.saveNow());
    gate.waitEntered();
    EXPECT_FALSE(station.saveNow()) << "one save at a time";
    station.clearPicture();
    station.startButton();
    station.selectMode(kDefaultFaxModes[10], {});
    gate.release();
    station.waitForSave();

    ASSERT_EQ(sink.saves.size(), 1u);
    storage::TDI8Bitmap saved;
    ASSERT_TRUE(saved.load(sink.saves[0].file));
    ASSERT_EQ(saved.width(), before.width());
    ASSERT_EQ(saved.height(), lines);
    for (int y = 0; y < lines; ++y)
        for (int x = 0; x < saved.width(); x += 97)
            ASSERT_EQ(saved.getPixel(x, y), before.getPixel(x, before.lowestWrittenRow() + y)) << x << "," << y;
}

} // namespace
