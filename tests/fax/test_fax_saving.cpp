#include "fax/fax_header.h"
#include "fax/fax_saving.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tellur;
using namespace tellur::fax;
namespace fs = std::filesystem;

namespace {

fs::path freshDir(const std::string& name)
{
    auto d = fs::temp_directory_path() / ("tellur_fax_" + name + "_" + std::to_string(::getpid()));
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

void touch(const fs::path& p, int ageSeconds)
{
    std::ofstream(p) << "x";
    fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::seconds(ageSeconds));
}

} // namespace

TEST(FaxFileName, TemplateTokens)
{
    struct Case { const char* tmpl; const char* name; const char* want; };
    const Case cases[] = {
        {"@_yyyymmdd_hhnn", "HF-Fax", "HF-Fax_20240115_1230"},
        {"fax-yymmdd", "HF-Fax", "FAX-240115"},
        {"yyyyy", "x", "2024Y"},
        {"  @  ", "D2", "D2"},
        {"dd.mm hh:nn @", "Ham_288b", "15.01 12:30 Ham_288b"},
        {"", "HF-Fax", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(expandFileNameTemplate(c.tmpl, c.name, "20240115", "1230"), c.want) << c.tmpl;
}

TEST(FaxFileName, NamePartFromHeaderOrMode)
{
    FinishedPicture p;
    p.startTime = stationTimeOf(2024, 1, 15, 12, 30);
    EXPECT_EQ(pictureFileName("@_yyyymmdd_hhnn", p, "HF-Fax"), "HF-Fax_20240115_1230");
    EXPECT_EQ(pictureFileName("@", p, "HF-Fax", "METEO"), "METEO");
    p.headerText = " MET7: D2   ...";
    p.formatCode = "D2  ";
    p.headerDate = "240116";
    p.headerTime = "0600";
    EXPECT_EQ(pictureFileName("@", p, "Geostationary"), "D2");
    EXPECT_EQ(pictureFileName("@_yyyymmdd_hhnn", p, "Geostationary"), "D2_20240116_0600");
    EXPECT_EQ(faxFileExtension(3), "JPG");
    EXPECT_EQ(saveDialogFilter(), "PNG|*.PNG|PCX|*.PCX|BMP|*.BMP|JPG|*.JPG");
    EXPECT_EQ(saveDialogProposal("/st/FAX", "HF-Fax", p.startTime), fs::path("/st/FAX/HF-Fax/01151230"));
    EXPECT_TRUE(saveDialogWritable("/x/chart.tif")) << "TIF is written although not in the filter";
    EXPECT_FALSE(saveDialogWritable("/x/chart.gif"));
    EXPECT_EQ(faxFileExtension(9), "PNG");
}

TEST(FaxSaving, PruneKeepsRoomForTheNewFileOldestFirst)
{
    const auto dir = freshDir("prune");
    for (int i = 0; i < 25; ++i)
        touch(dir / ("f" + std::to_string(100 + i) + ".png"), 1000 - i * 10);
    // Two files share the oldest time: the first listed goes first.
    touch(dir / "a_tie.png", 5000);
    touch(dir / "b_tie.png", 5000);
    const auto r = pruneFolder(dir, 20);
    EXPECT_EQ(r.deleted, 8);
    EXPECT_FALSE(r.stoppedOnFailure);
    EXPECT_FALSE(fs::exists(dir / "a_tie.png"));
    EXPECT_FALSE(fs::exists(dir / "f105.png"));
    EXPECT_TRUE(fs::exists(dir / "f106.png"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 19);
    fs::remove_all(dir);
}

TEST(FaxSaving, PruneEndsWhenTheOldestCannotBeDeleted)
{
    const auto dir = freshDir("prune_fail");
    for (int i = 0; i < 5; ++i)
        touch(dir / ("f" + std::to_string(i) + ".png"), 100 - i);
    int attempts = 0;
    const auto r = pruneFolder(dir, 2, [&](const fs::path& p) {
        ++attempts;
        EXPECT_EQ(p.filename(), "f0.png");
        return false;
    });
    EXPECT_TRUE(r.stoppedOnFailure);
    EXPECT_EQ(r.deleted, 0);
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(pruneFolder(dir / "missing", 1).deleted, 0);
    fs::remove_all(dir);
}

TEST(FaxSaving, CommandAfterReception)
{
    const fs::path saved = "/st/FAX-Lastreceived/HF-Fax/HF-Fax_20240115_1230.png";
    auto c = commandAfterReception("convert @ -negate", saved, "/st/External-Programs");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->program, "convert");
    EXPECT_EQ(c->parameters, " \"" + saved.string() + "\" -negate");
    EXPECT_EQ(c->workingFolder, fs::path("/st/External-Programs"));
    c = commandAfterReception("/usr/bin/lp", saved, "/x");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->parameters, "");
    EXPECT_EQ(c->workingFolder, fs::path("/usr/bin"));
    EXPECT_FALSE(commandAfterReception("   ", saved, "/x"));
}

TEST(FaxSaving, StampTextAndPlacement)
{
    const double t = stationTimeOf(2024, 1, 15, 12, 30);
    EXPECT_EQ(stampText(t, "dd.mm.yyyy", "hh:nn", false), " 15.01.2024 12:30 UTC ");
    EXPECT_EQ(stampText(t, "", "", true), " 20240115 1230 loc. ");

    struct BoxText : TextMaskRenderer {
        TextMask render(std::string_view s, const FontSpec&) override
        {
            TextMask m{static_cast<int>(s.size()) * 4, 12, {}};
            m.coverage.assign(static_cast<std::size_t>(m.width * m.height), 0);
            m.coverage[0] = 200;
            return m;
        }
    } text;
    storage::TDI8Bitmap pic(200, 100);
    EXPECT_FALSE(drawStamp(pic, text, " x ")) << "no written rows, nothing to stamp";
    std::vector<std::uint8_t> grey(200, 77);
    pic.storeRow(5, grey);
    ASSERT_TRUE(drawStamp(pic, text, " 15.01.2024 12:30 UTC "));
    EXPECT_EQ(pic.getPixel(10, 20), 255);
    EXPECT_EQ(pic.getPixel(11, 20), 0);
    storage::TDI8Bitmap small(50, 100);
    small.storeRow(0, grey);
    EXPECT_FALSE(drawStamp(small, text, " 15.01.2024 12:30 UTC ")) << "does not fit";
}

// Pictures ending in the same minute share a template name: none is overwritten, the later ones
// get a suffix and the result names the file really written. No temporary file stays behind.
TEST(FaxSaving, PicturesOfTheSameMinuteAreNeverOverwritten)
{
    const auto dir = freshDir("same_minute");
    FaxSaveRequest req;
    req.modeName = "HF-Fax";
    req.pictureFolder = dir;
    req.picture.lines = 4;
    req.picture.startTime = 45306.5210; // 15 January 2024, 12:30
    req.maxPictures = 20;
    std::vector<fs::path> files;
    for (std::uint8_t grey : {10, 20, 30}) {
        storage::TDI8Bitmap pic(8, 4);
        std::vector<std::uint8_t> row(8, grey);
        for (int y = 0; y < 4; ++y)
            pic.storeRow(y, row);
        const auto r = saveReceivedPicture(req, pic, nullptr, nullptr);
        ASSERT_TRUE(r.written);
        files.push_back(r.file);
    }
    const fs::path folder = dir / "HF-Fax";
    EXPECT_EQ(files, (std::vector<fs::path>{folder / "HF-Fax_20240115_1230.png", folder / "HF-Fax_20240115_1230_2.png",
                                            folder / "HF-Fax_20240115_1230_3.png"}));
    for (std::size_t i = 0; i < files.size(); ++i) {
        storage::TDI8Bitmap back(1, 1);
        ASSERT_TRUE(back.load(files[i]));
        EXPECT_EQ(back.getPixel(3, 2), 10 * (i + 1)) << files[i];
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator{}), 3);
    fs::remove_all(dir);
}

// Killed at any moment of a picture save, the folder holds whole pictures only: the file under
// the picture's name is absent or readable to its last row. The kill's moment varies per run.
TEST(FaxSaving, KillDuringASaveNeverLeavesATruncatedPicture)
{
    const auto dir = freshDir("kill_save");
    storage::TDI8Bitmap pic(1810, 1200);
    std::vector<std::uint8_t> row(1810);
    for (int y = 0; y < 1200; ++y) {
        for (int x = 0; x < 1810; ++x)
            row[std::size_t(x)] = static_cast<std::uint8_t>((x * 7 + y * 13) & 0xFF);
        pic.storeRow(y, row);
    }
    const fs::path file = dir / "chart.png";
    for (int i = 0; i < 8; ++i) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (;;)
                pic.saveAsNew(file, true);
        }
        for (int y = 0; y < i * 300; ++y)
            ::sched_yield();
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!fs::exists(file))
            continue;
        storage::TDI8Bitmap back(1, 1);
        ASSERT_TRUE(back.load(file)) << "run " << i;
        EXPECT_EQ(back.height(), 1200);
        EXPECT_EQ(back.getPixel(1809, 1199), (1809 * 7 + 1199 * 13) & 0xFF);
    }
    fs::remove_all(dir);
}
