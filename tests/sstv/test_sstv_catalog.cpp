// The catalog's rules: the fit of a picture into the transmit size, "Last Received" trimmed to
// the configured maximum, the catalog file with its backup, the generated test pictures and the
// page operations.
#include "sstv_test_util.h"

#include "sstv/catalog.h"
#include "sstv/picture_fit.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

using namespace tellur;
using namespace tellur::sstv;
using namespace sstvtest;
namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    explicit TempDir(const char* tag)
        : path(fs::temp_directory_path() / ("tellur-catalog-" + std::string(tag) + "-" + std::to_string(::getpid())))
    {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
};

CatalogSettings settingsIn(const fs::path& dir, int maxPictures = 15)
{
    CatalogSettings s;
    s.lastReceivedFolder = dir / "SSTV-Lastreceived";
    s.lastRepeatedFolder = dir / "SSTV-Lastrepeated";
    s.maxPictures = maxPictures;
    return s;
}

CivilTime minute(int m) { return CivilTime{2004, 3, 5, 7 + m / 60, m % 60, 0}; }

} // namespace

TEST(SstvPictureFit, LetterboxStretchAndCrop)
{
    struct Case {
        const char* what;
        int sw, sh, tw, th;
        bool sizeToFit;
        int band;
        FitPlacement expected;
    };
    const Case cases[] = {
        {"640x480 letterboxed into Martin 1", 640, 480, 340, 256, false, 0, {{0, 0, 640, 480}, {0, 0, 340, 255}}},
        {"640x480 stretched (x = 255/256)", 640, 480, 340, 256, true, 0, {{0, 0, 640, 480}, {0, 0, 340, 256}}},
        {"tall picture letterboxed", 200, 1000, 340, 256, false, 0, {{0, 0, 200, 1000}, {144, 0, 51, 256}}},
        {"wide picture cropped to its middle", 1000, 200, 340, 256, true, 0, {{367, 0, 265, 200}, {0, 0, 340, 256}}},
        {"tall picture cropped to its middle", 200, 1000, 340, 256, true, 0, {{0, 425, 200, 150}, {0, 0, 340, 256}}},
        {"x = 0.8 is cropped", 100, 80, 100, 100, true, 0, {{10, 0, 80, 80}, {0, 0, 100, 100}}},
        {"x just above 0.8 is stretched", 100, 81, 100, 100, true, 0, {{0, 0, 100, 81}, {0, 0, 100, 100}}},
        {"x just below 1.2 is stretched", 100, 119, 100, 100, true, 0, {{0, 0, 100, 119}, {0, 0, 100, 100}}},
        {"x = 1.2 is cropped", 100, 120, 100, 100, true, 0, {{0, 10, 100, 100}, {0, 0, 100, 100}}},
        {"band of 16 rows: stretched below it", 340, 256, 340, 256, true, 16, {{0, 0, 340, 256}, {0, 16, 340, 240}}},
        {"band of 16 rows: letterboxed below it", 640, 480, 340, 256, false, 16, {{0, 0, 640, 480}, {10, 16, 320, 240}}},
        {"band of 16 rows: cropped to the area below it", 1000, 200, 340, 256, true, 16, {{358, 0, 283, 200}, {0, 16, 340, 240}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fitPlacement(c.sw, c.sh, c.tw, c.th, c.sizeToFit, c.band), c.expected) << c.what;

    struct Band {
        bool sizeToFit;
        IdentificationChoice choice;
        bool thumbnail;
        int rows;
    };
    const Band bands[] = {
        {true, IdentificationChoice::CallSignInHeader, false, 16}, {true, IdentificationChoice::UserHeader, false, 16},
        {true, IdentificationChoice::CallSignInPicture, false, 0}, {true, IdentificationChoice::NoCallSign, false, 0},
        {false, IdentificationChoice::CallSignInHeader, false, 0}, {true, IdentificationChoice::CallSignInHeader, true, 0},
    };
    for (const auto& b : bands)
        EXPECT_EQ(headerBandRows(b.sizeToFit, b.choice, b.thumbnail), b.rows) << int(b.choice) << b.sizeToFit << b.thumbnail;
}

TEST(SstvPictureFit, PixelsLandInThePlacement)
{
    RgbPicture source(640, 480);
    std::fill(source.data().begin(), source.data().end(), storage::rgb(200, 100, 50));
    RgbPicture target(340, 256);
    std::fill(target.data().begin(), target.data().end(), 0xFFFFFFu);
    fitPicture(source, target, false, 16);
    EXPECT_EQ(target.getPixel(170, 8), 0u);   // the band is black
    EXPECT_EQ(target.getPixel(5, 100), 0u);   // letterbox bar
    EXPECT_EQ(target.getPixel(170, 100), storage::rgb(200, 100, 50));
}

TEST(SstvCatalog, LastReceivedKeepsTheNewestUpToTheMaximum)
{
    TempDir dir("maxpics");
    RecordingEventLog log;
    Catalog catalog(settingsIn(dir.path, 15), log);
    const RgbPicture pic = colouredScreen(340, 256);
    const fs::path folder = dir.path / "SSTV-Lastreceived";
    for (int i = 0; i < 15; ++i)
        ASSERT_TRUE(catalog.addLastReceived(pic, minute(i), "Martin 1"));
    EXPECT_TRUE(fs::exists(folder / "20040305 0700 Martin 1.PNG"));
    const auto file = catalog.addLastReceived(pic, minute(15), "Martin 1");
    ASSERT_TRUE(file);
    EXPECT_EQ(*file, folder / "20040305 0715 Martin 1.PNG");
    EXPECT_FALSE(fs::exists(folder / "20040305 0700 Martin 1.PNG")); // the oldest goes first
    EXPECT_TRUE(fs::exists(folder / "20040305 0701 Martin 1.PNG"));
    const auto& page = catalog.page(kLastReceivedPage);
    ASSERT_EQ(page.files.size(), 15u);
    EXPECT_EQ(page.files.front(), *file); // newest first
    EXPECT_EQ(page.thumbnails.size(), 15u);
    EXPECT_EQ(page.thumbnails.front().width(), kThumbnailWidth);
    EXPECT_EQ(page.thumbnails.front().height(), kThumbnailHeight);

    // A lowered maximum trims the page below it before the next picture joins.
    struct Trim {
        int maximum;
        std::size_t after;
    };
    for (const Trim t : {Trim{15, 15}, Trim{10, 10}, Trim{20, 11}}) {
        auto s = catalog.settings();
        s.maxPictures = t.maximum;
        catalog.setSettings(s);
        ASSERT_TRUE(catalog.addLastReceived(pic, minute(100 + t.maximum), "Robot 36"));
        EXPECT_EQ(catalog.page(kLastReceivedPage).files.size(), t.after) << t.maximum;
    }
    std::size_t onDisk = 0;
    for (const auto& e : fs::directory_iterator(folder))
        onDisk += e.path().extension() == ".PNG";
    EXPECT_EQ(onDisk, catalog.page(kLastReceivedPage).files.size());

    // The repeated pictures go to their own page and folder, trimmed the same way.
    ASSERT_TRUE(catalog.addLastRepeated(pic, minute(1), "Martin 1"));
    EXPECT_EQ(catalog.page(kLastRepeatedPage).files.front().parent_path(), dir.path / "SSTV-Lastrepeated");
    EXPECT_TRUE(catalog.page(kLastRepeatedPage).files.front().filename() == "20040305 0701 Martin 1.PNG");
}

TEST(SstvCatalog, FileRoundTripBackupAndDamage)
{
    TempDir dir("file");
    const RgbPicture pic = colouredScreen(340, 256);
    {
        RecordingEventLog log;
        Catalog catalog(settingsIn(dir.path), log);
        ASSERT_TRUE(catalog.addLastReceived(pic, minute(1), "Martin 1"));
        ASSERT_TRUE(pic.save(dir.path / "mine.png"));
        ASSERT_TRUE(catalog.addFile(2, dir.path / "mine.png"));
        catalog.renamePage(2, "Friends");
        ASSERT_TRUE(catalog.save()); // first version
        ASSERT_TRUE(catalog.addLastReceived(pic, minute(2), "Scottie 1"));
        ASSERT_TRUE(catalog.save()); // second version; the first is the backup now
    }
    const fs::path cat = dir.path / "SSTV-Lastreceived" / "CATALOG.CAT";
    const fs::path bak = dir.path / "SSTV-Lastreceived" / "CATALOG.BAK";
    ASSERT_TRUE(fs::exists(cat));
    ASSERT_TRUE(fs::exists(bak));

    // The stored bytes: page count - 1, the eight captions, then the pages.
    {
        std::ifstream in(cat, std::ios::binary);
        std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(in)), {});
        ASSERT_GT(b.size(), 20u);
        EXPECT_EQ(b[0], 8);
        EXPECT_EQ(b[1] | b[2] | b[3], 0);
        EXPECT_EQ(b[4], 13);
        EXPECT_EQ(std::string(b.begin() + 5, b.begin() + 18), "Last Received");
        EXPECT_EQ(b[18], 6);
        EXPECT_EQ(std::string(b.begin() + 19, b.begin() + 25), "Page 1");
    }

    struct Case {
        const char* what;
        bool damageCatalog, damageBackup;
        std::size_t lastReceived;
        std::vector<std::string> logged;
    };
    const std::vector<Case> cases = {
        {"intact", false, false, 2, {}},
        {"damaged catalog, backup used", true, false, 1, {"+++Failure loading catalog. Trying to restore from backup."}},
        {"both damaged", true, true, 0,
         {"+++Failure loading catalog. Trying to restore from backup.", "+++Failure loading catalog backup."}},
    };
    const auto goodCat = fs::temp_directory_path() / ("tellur-cat-copy-" + std::to_string(::getpid()));
    const auto goodBak = goodCat.string() + ".bak";
    fs::copy_file(cat, goodCat, fs::copy_options::overwrite_existing);
    fs::copy_file(bak, goodBak, fs::copy_options::overwrite_existing);
    for (const auto& c : cases) {
        fs::copy_file(goodCat, cat, fs::copy_options::overwrite_existing);
        fs::copy_file(goodBak, bak, fs::copy_options::overwrite_existing);
        if (c.damageCatalog)
            fs::resize_file(cat, fs::file_size(cat) - 7);
        if (c.damageBackup)
            std::ofstream(bak, std::ios::binary | std::ios::trunc) << "junk";
        RecordingEventLog log;
        Catalog catalog(settingsIn(dir.path), log);
        catalog.load();
        EXPECT_EQ(catalog.page(kLastReceivedPage).files.size(), c.lastReceived) << c.what;
        std::vector<std::string> texts;
        for (const auto& e : log.entries())
            texts.push_back(e.text);
        EXPECT_EQ(texts, c.logged) << c.what;
        if (c.lastReceived > 0) {
            EXPECT_EQ(catalog.page(2).caption, "Friends") << c.what;
            EXPECT_EQ(catalog.page(2).files.size(), 1u) << c.what;
            EXPECT_EQ(catalog.page(kLastReceivedPage).thumbnails.size(), c.lastReceived) << c.what;
        } else {
            EXPECT_EQ(catalog.page(2).caption, "Page 2") << c.what;
        }
    }
    fs::remove(goodCat);
    fs::remove(goodBak);
    {
        TempDir fresh("fresh");
        RecordingEventLog quiet;
        Catalog catalog(settingsIn(fresh.path), quiet);
        catalog.load();
        EXPECT_TRUE(quiet.entries().empty()) << "a new station has no catalog yet";
    }

    // Entries whose file is gone leave the catalog, except on removable media.
    CatalogPages pages;
    pages[3].files = {dir.path / "gone.png", "/media/usb0/beacon.png", dir.path / "mine.png"};
    pages[3].thumbnails.assign(3, RgbPicture(80, 60));
    {
        std::ofstream out(cat, std::ios::binary | std::ios::trunc);
        const auto bytes = encodeCatalog(pages);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    RecordingEventLog log;
    Catalog catalog(settingsIn(dir.path), log);
    catalog.load();
    ASSERT_EQ(catalog.page(3).files.size(), 2u);
    EXPECT_EQ(catalog.page(3).files[0], "/media/usb0/beacon.png");
    EXPECT_EQ(catalog.page(3).files[1], dir.path / "mine.png");
}

TEST(SstvCatalog, MalformedCatalogFilesAreRefused)
{
    CatalogPages pages;
    pages[0].files = {"/a/b.png"};
    pages[0].thumbnails = {RgbPicture(80, 60)};
    const auto good = encodeCatalog(pages);
    ASSERT_TRUE(decodeCatalog(good));
    for (std::size_t n = 0; n < good.size(); n += 97)
        EXPECT_FALSE(decodeCatalog(std::span(good.data(), n))) << n;
    auto extra = good;
    extra.push_back(0);
    EXPECT_FALSE(decodeCatalog(extra));
    auto wrongCount = good;
    wrongCount[0] = 7;
    EXPECT_FALSE(decodeCatalog(wrongCount));
}

TEST(SstvCatalog, TestPictures)
{
    struct Case {
        int index;
        const char* name;
        int x, y;
        std::uint32_t pixel;
    };
    const Case cases[] = {
        {0, "Red Screen", 10, 10, storage::rgb(255, 0, 0)},
        {1, "Green Screen", 10, 10, storage::rgb(0, 128, 0)},
        {2, "Blue Screen", 10, 10, storage::rgb(0, 0, 255)},
        {3, "Cyan Screen", 10, 10, storage::rgb(0, 128, 255)},
        {4, "Magenta Screen", 10, 10, storage::rgb(255, 0, 255)},
        {5, "Yellow Screen", 10, 10, storage::rgb(255, 255, 0)},
        {6, "Black Screen", 10, 10, 0},
        {7, "White Screen", 10, 10, storage::rgb(255, 255, 255)},
        {8, "Gray Screen", 10, 10, storage::rgb(128, 128, 128)},
        {9, "Coloured Screen", 170, 128, storage::rgb(128, 127, 128)},
        {10, "Gray Step", 339, 0, storage::rgb(248, 248, 248)},
        {10, "Gray Step", 11, 0, storage::rgb(8, 8, 8)},
        {11, "Gray Step (2)", 0, 0, storage::rgb(248, 248, 248)},
        {12, "Black Test Grid", 0, 100, 0},
        {12, "Black Test Grid", 5, 5, storage::rgb(255, 255, 255)},
        {12, "Black Test Grid", 34, 50, 0}, // first vertical line at round(340 / 10)
        {13, "White Test Grid", 0, 100, storage::rgb(255, 255, 255)},
        {13, "White Test Grid", 5, 5, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(testPictureName(c.index), c.name);
        const RgbPicture pic = testPicture(c.index, 340, 256);
        ASSERT_EQ(pic.width(), 340);
        EXPECT_EQ(pic.getPixel(c.x, c.y), c.pixel) << c.name << " at " << c.x << "," << c.y;
    }
    EXPECT_EQ(defaultPageCaption(kTestPicturesPage), "Test Pictures");
    EXPECT_EQ(defaultPageCaption(kBeaconPage), "Beacon pictures");
    EXPECT_EQ(defaultPageCaption(kLastRepeatedPage), "Last repeated");
    EXPECT_EQ(Catalog::gridColumns(0), 5);
    EXPECT_EQ(Catalog::gridColumns(16), 6);
}

TEST(SstvCatalog, PageOperations)
{
    TempDir dir("pages");
    RecordingEventLog log;
    std::vector<fs::path> removed;
    Catalog catalog(settingsIn(dir.path), log, [&](const fs::path& f) {
        removed.push_back(f);
        return fs::remove(f);
    });
    const RgbPicture pic = colouredScreen(340, 256);
    const fs::path folder = dir.path / "SSTV-Lastreceived";
    fs::create_directories(folder);
    for (const char* name : {"20040305 0701 Martin 1.PNG", "20040305 0702 Robot 36.jpg", "notes.txt", "20040305 0700 P3.BMP"})
        std::ofstream(folder / name) << "x";
    for (const char* name : {"20040305 0701 Martin 1.PNG", "20040305 0702 Robot 36.jpg", "20040305 0700 P3.BMP"})
        ASSERT_TRUE(pic.save(folder / name));

    catalog.rebuild(kLastReceivedPage);
    const auto& page = catalog.page(kLastReceivedPage);
    ASSERT_EQ(page.files.size(), 3u);
    EXPECT_EQ(page.files[0].filename(), "20040305 0702 Robot 36.jpg"); // the last name first
    EXPECT_EQ(page.files[2].filename(), "20040305 0700 P3.BMP");
    EXPECT_EQ(page.thumbnails.size(), 3u);

    const auto info = catalog.information(kLastReceivedPage, 2);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->picture, "20040305 0700 P3.BMP");
    EXPECT_EQ(info->path, folder.string());
    EXPECT_EQ(info->width, 340);
    EXPECT_EQ(info->height, 256);
    EXPECT_EQ(info->type, "BMP");
    EXPECT_GT(info->bytes, 0u);

    ASSERT_TRUE(catalog.addFile(1, folder / "20040305 0700 P3.BMP"));
    ASSERT_TRUE(catalog.addFile(1, folder / "20040305 0701 Martin 1.PNG", 0));
    EXPECT_EQ(catalog.page(1).files[0].filename(), "20040305 0701 Martin 1.PNG");
    EXPECT_FALSE(catalog.addFile(kTestPicturesPage, folder / "20040305 0700 P3.BMP"));
    EXPECT_FALSE(catalog.addFile(1, folder / "notes.txt"));

    ASSERT_TRUE(catalog.renameFile(1, 1, "Portrait"));
    EXPECT_EQ(catalog.page(1).files[1], folder / "Portrait.BMP");
    EXPECT_TRUE(fs::exists(folder / "Portrait.BMP"));
    EXPECT_FALSE(catalog.renameFile(1, 0, "Portrait.BMP" + std::string("/x")));
    EXPECT_FALSE(catalog.information(1, 1 + 5));

    catalog.renamePage(1, "Mine");
    catalog.renamePage(kLastReceivedPage, "Never");
    EXPECT_EQ(catalog.page(1).caption, "Mine");
    EXPECT_EQ(catalog.page(kLastReceivedPage).caption, "Last Received");

    catalog.removeEntry(1, 0, false);
    EXPECT_TRUE(removed.empty());
    catalog.removeEntry(kLastReceivedPage, 0, true);
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0].filename(), "20040305 0702 Robot 36.jpg");
    catalog.removeAll(kLastReceivedPage, true);
    EXPECT_TRUE(catalog.page(kLastReceivedPage).files.empty());
    EXPECT_EQ(removed.size(), 3u);
    EXPECT_EQ(catalog.page(1).files.size(), 1u);
}
