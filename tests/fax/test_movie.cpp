#include "fax/avi_file.h"
#include "fax/movie_tools.h"

#include "storage/storage_test_util.h"

#include <gtest/gtest.h>

using namespace tellur;
using namespace tellur::fax;
using storage_test::ScratchDir;

namespace {

// A small frame that carries its number in every pixel of row 0 and a gradient below.
storage::TDI8Bitmap numberedPicture(int n, int w = 21, int h = 9)
{
    storage::TDI8Bitmap p(w, h);
    for (int i = 0; i < 256; ++i)
        p.setColour(i, storage::colourValue(std::uint8_t(i), std::uint8_t(i / 2), std::uint8_t(255 - i)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setPixel(x, y, std::uint8_t(y == 0 ? n : (x + 3 * y) & 255));
    return p;
}

std::vector<int> frameNumbers(const std::filesystem::path& file)
{
    AviMovieReader r;
    std::vector<int> out;
    if (!r.open(file))
        return out;
    storage::TDI8Bitmap f;
    for (int i = 0; i < r.frameCount(); ++i)
        out.push_back(r.readFrame(i, f) ? f.getPixel(5, 0) : -1);
    return out;
}

std::vector<int> range(int from, int to)
{
    std::vector<int> v;
    for (int i = from; i <= to; ++i)
        v.push_back(i);
    return v;
}

} // namespace

TEST(MovieAvi, WrittenFramesReadBackExactly)
{
    ScratchDir dir;
    const auto file = dir / "D2.avi";
    for (int n = 0; n < 3; ++n)
        ASSERT_TRUE(appendPictureToMovie(numberedPicture(n), file, 8, 1));
    const auto info = readMovieDescription(file);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->frameCount, 3);
    EXPECT_EQ(info->rate, 8u);
    EXPECT_EQ(info->scale, 1u);
    EXPECT_EQ(info->width, 21);
    EXPECT_EQ(info->height, 9);
    EXPECT_EQ(info->suggestedBufferSize, 24u * 9);

    AviMovieReader r;
    ASSERT_TRUE(r.open(file));
    EXPECT_FALSE(r.layout().indexRebuilt);
    const auto original = numberedPicture(2);
    storage::TDI8Bitmap f;
    ASSERT_TRUE(r.readFrame(2, f));
    EXPECT_EQ(f.colours(), original.colours());
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 21; ++x)
            ASSERT_EQ(f.getPixel(x, y), original.getPixel(x, y)) << x << "," << y;
    EXPECT_FALSE(r.readFrame(3, f));
    EXPECT_FALSE(r.readFrame(-1, f));

    // Appending leaves the frames already there untouched: the file only grows.
    const auto before = storage_test::readBytes(file);
    ASSERT_TRUE(appendPictureToMovie(numberedPicture(3), file, 8, 1));
    const auto after = storage_test::readBytes(file);
    const auto framesEnd = std::size_t(r.layout().moviDataEnd);
    EXPECT_TRUE(std::equal(before.begin() + 1248, before.begin() + std::ptrdiff_t(framesEnd), after.begin() + 1248));
    EXPECT_EQ(frameNumbers(file), range(0, 3));
}

TEST(MovieAvi, IndependentPlayerReadsTheMovie)
{
    if (!storage_test::haveTool("ffprobe"))
        GTEST_SKIP() << "ffprobe (ffmpeg) is not installed";
    ScratchDir dir;
    const auto file = dir / "probe.avi";
    for (int n = 0; n < 5; ++n)
        ASSERT_TRUE(appendPictureToMovie(numberedPicture(n, 50, 30), file, 4, 1));
    const std::string out = storage_test::run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                              "stream=codec_name,width,height,pix_fmt,nb_read_frames -of csv=p=0 '" +
                                              file.string() + "'");
    EXPECT_EQ(out, "rawvideo,50,30,pal8,5\n");
}

TEST(MovieAvi, AutomovieKeepsTheMaximumNumberOfFrames)
{
    ScratchDir dir;
    const auto file = automovieFileForFormat(dir.path(), " D2 ");
    EXPECT_EQ(file.filename(), "D2.avi");
    for (int n = 0; n < 48; ++n)
        ASSERT_TRUE(automovieAppend(numberedPicture(n), file, 8, 1, 48));
    EXPECT_EQ(readMovieDescription(file)->frameCount, 48);
    ASSERT_TRUE(automovieAppend(numberedPicture(48), file, 8, 1, 48));
    EXPECT_EQ(frameNumbers(file), range(1, 48)); // frames 1..47, then the new one
    std::filesystem::path temp = file;
    temp += ".$$$.avi";
    EXPECT_FALSE(std::filesystem::exists(temp));
    // An existing file that is no movie is not touched.
    storage_test::writeBytes(dir / "XX.avi", {1, 2, 3});
    EXPECT_FALSE(automovieAppend(numberedPicture(0), dir / "XX.avi", 8, 1, 48));
    EXPECT_EQ(storage_test::readBytes(dir / "XX.avi"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(MovieAvi, DeletingAFrame)
{
    ScratchDir dir;
    const auto file = dir / "m.avi";
    for (int n = 0; n < 10; ++n)
        ASSERT_TRUE(appendPictureToMovie(numberedPicture(n), file, 5, 1));
    ASSERT_TRUE(cutMovie(file, 0, 9, 3));
    EXPECT_EQ(frameNumbers(file), (std::vector<int>{0, 1, 2, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(readMovieDescription(file)->rate, 5u);
    // No movie, or one that cannot be read: nothing lost.
    EXPECT_FALSE(cutMovie(dir / "none.avi", 0, 1, -1));
    storage_test::writeBytes(dir / "bad.avi", {'R', 'I', 'F', 'F'});
    EXPECT_FALSE(cutMovie(dir / "bad.avi", 0, 1, -1));
    EXPECT_EQ(storage_test::readBytes(dir / "bad.avi").size(), 4u);
}

TEST(MovieAvi, ResolutionDivisorAndFrameScaling)
{
    storage::TDI8Bitmap big(1810, 4200);
    big.setPixel(2, 4, 77);
    big.setPixel(3, 4, 99);
    const auto half = reduceResolution(big, 2);
    EXPECT_EQ(half.width(), 905);
    EXPECT_EQ(half.height(), 2100);
    EXPECT_EQ(half.getPixel(1, 2), 77);

    ScratchDir dir;
    ASSERT_TRUE(appendPictureToMovie(big, dir / "half.avi", 8, 2));
    const auto info = readMovieDescription(dir / "half.avi");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 905);
    EXPECT_EQ(info->height, 2100);

    // A picture of another size joins an existing movie at the movie's frame size.
    const auto file = dir / "mixed.avi";
    ASSERT_TRUE(appendPictureToMovie(numberedPicture(1, 20, 10), file, 8, 1));
    ASSERT_TRUE(appendPictureToMovie(numberedPicture(2, 40, 20), file, 8, 1));
    AviMovieReader r;
    ASSERT_TRUE(r.open(file));
    ASSERT_EQ(r.frameCount(), 2);
    storage::TDI8Bitmap f;
    ASSERT_TRUE(r.readFrame(1, f));
    EXPECT_EQ(f.width(), 20);
    EXPECT_EQ(f.getPixel(0, 0), 2);

    const auto scaled = scaleToFrame(numberedPicture(7, 40, 20), 20, 10);
    EXPECT_EQ(scaled.getPixel(3, 1), numberedPicture(7, 40, 20).getPixel(6, 2));
}

TEST(MovieAvi, DamagedMoviesFailCleanlyOrRecoverTheirFrames)
{
    ScratchDir dir;
    const auto file = dir / "m.avi";
    for (int n = 0; n < 4; ++n)
        ASSERT_TRUE(appendPictureToMovie(numberedPicture(n), file, 8, 1));
    const auto good = storage_test::readBytes(file);
    AviMovieReader r;
    ASSERT_TRUE(r.open(file));
    const std::size_t idx = std::size_t(r.layout().moviDataEnd);

    // Broken index entries: the frames are found by walking the movie list.
    auto brokenIndex = good;
    for (std::size_t i = idx + 8; i < brokenIndex.size(); i += 16)
        brokenIndex[i + 8] ^= 0x5A; // offsets
    storage_test::writeBytes(dir / "idx.avi", brokenIndex);
    ASSERT_TRUE(r.open(dir / "idx.avi"));
    EXPECT_TRUE(r.layout().indexRebuilt);
    EXPECT_EQ(frameNumbers(dir / "idx.avi"), range(0, 3));

    // Cut off in the middle of the last frame (a crash while appending): three frames remain,
    // and appending continues after them.
    const std::size_t frameChunk = 8 + 24 * 9;
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(1248 + 3 * frameChunk + 50));
    storage_test::writeBytes(dir / "cut.avi", cut);
    EXPECT_EQ(frameNumbers(dir / "cut.avi"), range(0, 2));
    ASSERT_TRUE(appendPictureToMovie(numberedPicture(9), dir / "cut.avi", 8, 1));
    EXPECT_EQ(frameNumbers(dir / "cut.avi"), (std::vector<int>{0, 1, 2, 9}));

    // Truncated headers, wrong format, garbage: no movie.
    std::vector<std::vector<std::uint8_t>> bad;
    for (std::size_t n : {0, 11, 12, 100, 200, 1000, 1240})
        bad.emplace_back(good.begin(), good.begin() + std::ptrdiff_t(n));
    auto sixteenBit = good;
    sixteenBit[172 + 14] = 16;
    bad.push_back(sixteenBit);
    auto hugeSize = good;
    for (std::size_t i = 104; i < 108; ++i)
        hugeSize[i] = 0xFF; // strh chunk size
    bad.push_back(hugeSize);
    for (std::size_t k = 0; k < bad.size(); ++k) {
        const auto f = dir / ("bad" + std::to_string(k) + ".avi");
        storage_test::writeBytes(f, bad[k]);
        EXPECT_FALSE(readMovieDescription(f)) << k;
        EXPECT_FALSE(r.open(f)) << k;
    }
    EXPECT_FALSE(readMovieDescription(dir / "missing.avi"));
}

TEST(MovieMerge, FourSides)
{
    storage::TDI8Bitmap target(200, 80), loaded(100, 50);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; ++x)
            target.setPixel(x, y, 1);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            loaded.setPixel(x, y, 2);
    target.setColour(1, 0x0000FF);
    loaded.setColour(1, 0x00FF00);

    const auto bottom = mergePictures(target, loaded, MergeSide::Bottom);
    EXPECT_EQ(bottom.width(), 200);
    EXPECT_EQ(bottom.height(), 130);
    EXPECT_EQ(bottom.getColour(1), 0x0000FFu);
    EXPECT_EQ(bottom.getPixel(199, 79), 1);
    EXPECT_EQ(bottom.getPixel(99, 80), 2);
    EXPECT_EQ(bottom.getPixel(99, 129), 2);
    for (int y = 80; y < 130; ++y)
        for (int x = 100; x < 200; ++x)
            ASSERT_EQ(bottom.getPixel(x, y), 0) << x << "," << y;

    struct Case { MergeSide side; int w, h; int lx, ly; int tx, ty; int zx, zy; };
    const Case cases[] = {
        {MergeSide::Right, 300, 80, 200, 49, 199, 79, 250, 50},
        {MergeSide::Left, 300, 80, 99, 0, 100, 79, 50, 60},
        {MergeSide::Top, 200, 130, 99, 49, 199, 50, 150, 10},
    };
    for (const auto& c : cases) {
        const auto m = mergePictures(target, loaded, c.side);
        EXPECT_EQ(m.width(), c.w);
        EXPECT_EQ(m.height(), c.h);
        EXPECT_EQ(m.getPixel(c.lx, c.ly), 2);
        EXPECT_EQ(m.getPixel(c.tx, c.ty), 1);
        EXPECT_EQ(m.getPixel(c.zx, c.zy), 0);
    }
    EXPECT_EQ(mergedPictureName("/pics/D2_1200.png"), "Merged picture.png");
}

TEST(MovieAvi, ScheduleMovieNames)
{
    const std::filesystem::path movies = "/st/Movies";
    EXPECT_EQ(automovieFileForSchedule(movies, "/data/sat/meteo.x.avi", false), "/data/sat/meteo.avi");
    EXPECT_EQ(automovieFileForSchedule(movies, "/data/sat/meteo.avi", true), "/st/Movies/meteo.avi");
    EXPECT_EQ(automovieFileForSchedule(movies, "meteo", false), "/st/Movies/meteo.avi");
    EXPECT_TRUE(sameMovieFile("/a/D2.AVI", "/a/d2.avi"));
}
