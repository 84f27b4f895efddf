#include "storage/picture_files.h"

#include "storage_test_util.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace tellur::storage;
using storage_test::ScratchDir;

namespace {

const char* const kLossless[] = {"bmp", "pcx", "png", "tif"};
const char* const kAll[] = {"bmp", "pcx", "png", "tif", "jpg"};

int maxIndexDifference(const TDI8Bitmap& a, const TDI8Bitmap& b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            worst = std::max(worst, std::abs(int(a.getPixel(x, y)) - int(b.getPixel(x, y))));
    return worst;
}

} // namespace

TEST(PictureFiles, FormatChosenByTheLastThreeCharacters)
{
    struct Case { const char* name; PictureFormat want; };
    for (auto c : {Case{"a.bmp", PictureFormat::Bmp}, {"A.PCX", PictureFormat::Pcx}, {"x/y.Png", PictureFormat::Png},
             {"p.jpg", PictureFormat::Jpg}, {"p.jpeg", PictureFormat::Jpg}, {"t.TIF", PictureFormat::Tif},
             {"t.tiff", PictureFormat::Tif}, {"t.gif", PictureFormat::Unknown}, {"bmp", PictureFormat::Bmp},
             {"", PictureFormat::Unknown}})
        EXPECT_EQ(pictureFormatOf(c.name), c.want) << c.name;
    EXPECT_EQ(readFailureText(PictureFormat::Png), "Reading png file failed");
    EXPECT_EQ(writeFailureText(PictureFormat::Tif), "Writing tif file failed");
    EXPECT_EQ(tiffCompressionCode(TTiffCompression::sPACKBITS), 32773);
    EXPECT_EQ(tiffCompressionCode(TTiffCompression::sCCITT), 2);
}

TEST(PictureFiles, PalettePictureRoundTripKeepsSizeIndicesAndPalette)
{
    ScratchDir dir;
    TDI8Bitmap original = storage_test::patternPicture();
    for (const char* ext : kLossless) {
        SCOPED_TRACE(ext);
        const auto file = dir / (std::string("p.") + ext);
        ASSERT_TRUE(original.save(file));
        TDI8Bitmap back(5, 5);
        ASSERT_TRUE(back.load(file));
        ASSERT_EQ(back.width(), original.width());
        ASSERT_EQ(back.height(), original.height());
        EXPECT_EQ(maxIndexDifference(back, original), 0);
        EXPECT_EQ(back.colours(), original.colours());
        EXPECT_FALSE(back.hasWrittenRows());
    }
}

TEST(PictureFiles, GreyPictureThroughJpegStaysWithinTolerance)
{
    ScratchDir dir;
    TDI8Bitmap p(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            p.setPixel(x, y, std::uint8_t(x * 4));
    p.jpegQuality = 90;
    ASSERT_TRUE(p.save(dir / "g.jpg"));
    TDI8Bitmap back;
    ASSERT_TRUE(back.load(dir / "g.jpg"));
    ASSERT_EQ(back.width(), 64);
    ASSERT_EQ(back.height(), 48);
    EXPECT_EQ(back.colours(), greyRamp());
    EXPECT_LE(maxIndexDifference(back, p), 8);
    // Quality matters: the default (25) gives a smaller file.
    p.jpegQuality = 25;
    ASSERT_TRUE(p.save(dir / "g25.jpg"));
    EXPECT_LT(std::filesystem::file_size(dir / "g25.jpg"), std::filesystem::file_size(dir / "g.jpg"));
}

TEST(PictureFiles, SavingWritesOnlyTheWrittenBand)
{
    ScratchDir dir;
    TDI8Bitmap p(1810, 300);
    std::vector<std::uint8_t> line(1810);
    for (int r = 100; r <= 199; ++r) {
        std::fill(line.begin(), line.end(), std::uint8_t(r));
        p.storeRow(r, line);
    }
    for (const char* ext : kAll) {
        SCOPED_TRACE(ext);
        const auto file = dir / (std::string("band.") + ext);
        ASSERT_TRUE(p.save(file));
        EXPECT_FALSE(p.isCompacted());
        EXPECT_EQ(p.height(), 300);
        EXPECT_EQ(p.getPixel(5, 100), 100);
        EXPECT_EQ(p.getPixel(5, 199), 199);
        EXPECT_EQ(p.getPixel(5, 99), 0);
        const auto d = describePicture(file);
        EXPECT_EQ(d.width, 1810);
        EXPECT_EQ(d.height, 100);
    }
    TDI8Bitmap back;
    ASSERT_TRUE(back.load(dir / "band.png"));
    EXPECT_EQ(back.getPixel(0, 0), 100);
    EXPECT_EQ(back.getPixel(0, 99), 199);
}

TEST(PictureFiles, TrueColourRoundTrip)
{
    ScratchDir dir;
    RgbPicture p(29, 17);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 29; ++x)
            p.setPixel(x, y, rgb(std::uint8_t(x * 8), std::uint8_t(y * 15), std::uint8_t(255 - x * 8)));
    for (const char* ext : kAll) {
        SCOPED_TRACE(ext);
        const auto file = dir / (std::string("c.") + ext);
        ASSERT_TRUE(p.save(file, 95));
        RgbPicture back;
        ASSERT_TRUE(back.load(file));
        ASSERT_EQ(back.width(), 29);
        ASSERT_EQ(back.height(), 17);
        const int tolerance = std::string(ext) == "jpg" ? 40 : 0;
        int worst = 0;
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 29; ++x) {
                const auto a = p.getPixel(x, y), b = back.getPixel(x, y);
                worst = std::max({worst, std::abs(rgbRed(a) - rgbRed(b)), std::abs(rgbGreen(a) - rgbGreen(b)),
                    std::abs(rgbBlue(a) - rgbBlue(b))});
            }
        EXPECT_LE(worst, tolerance);
        EXPECT_EQ(describePicture(file).bits, 24);
    }
}

TEST(PictureFiles, TrueColourFileIntoEightBits)
{
    ScratchDir dir;
    // Few colours: an exact palette.
    RgbPicture few(10, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            few.setPixel(x, y, x < 5 ? rgb(200, 10, 30) : rgb(1, 2, 3));
    ASSERT_TRUE(few.save(dir / "few.bmp"));
    TDI8Bitmap p;
    ASSERT_TRUE(p.load(dir / "few.bmp"));
    EXPECT_EQ(p.getColour(p.getPixel(0, 0)), colourValue(200, 10, 30));
    EXPECT_EQ(p.getColour(p.getPixel(9, 9)), colourValue(1, 2, 3));
    // Many colours: the nearest cube colour.
    RgbPicture many(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            many.setPixel(x, y, rgb(std::uint8_t(x * 4), std::uint8_t(y * 4), 100));
    ASSERT_TRUE(many.save(dir / "many.png"));
    ASSERT_TRUE(p.load(dir / "many.png"));
    const auto c = p.getColour(p.getPixel(63, 0));
    EXPECT_NEAR(colourRed(c), 252, 26);
    EXPECT_NEAR(colourGreen(c), 0, 22);
    EXPECT_NEAR(colourBlue(c), 100, 26);
}

TEST(PictureFiles, PictureDescription)
{
    ScratchDir dir;
    TDI8Bitmap p = storage_test::patternPicture(40, 30);
    ASSERT_TRUE(p.save(dir / "d.bmp"));
    const auto d = describePicture(dir / "d.bmp");
    EXPECT_EQ(d.format, "BMP");
    EXPECT_EQ(d.width, 40);
    EXPECT_EQ(d.height, 30);
    EXPECT_EQ(d.bits, 8);
    EXPECT_EQ(d.compression, 0);
    EXPECT_EQ(d.planes, 1);
    EXPECT_EQ(d.colours, 256);
    EXPECT_EQ(d.size, std::int64_t(std::filesystem::file_size(dir / "d.bmp")));
    const auto missing = describePicture(dir / "none.png");
    EXPECT_EQ(missing.format, "ERR");
    EXPECT_EQ(missing.width, -1);
    EXPECT_EQ(missing.size, -1);
}

// Truncated and damaged files of every format fail cleanly and leave an empty 100 × 100 picture.
TEST(PictureFiles, DamagedFilesFailCleanly)
{
    ScratchDir dir;
    TDI8Bitmap original = storage_test::patternPicture(64, 40);
    for (const char* ext : kAll) {
        SCOPED_TRACE(ext);
        const auto good = dir / (std::string("good.") + ext);
        ASSERT_TRUE(original.save(good));
        const auto bytes = storage_test::readBytes(good);
        std::vector<std::vector<std::uint8_t>> bad;
        bad.push_back({});
        for (std::size_t n : {std::size_t(4), std::size_t(30), std::size_t(127), bytes.size() / 3})
            bad.emplace_back(bytes.begin(), bytes.begin() + std::ptrdiff_t(std::min(n, bytes.size())));
        auto huge = bytes; // a header claiming an enormous picture
        if (std::string(ext) == "bmp")
            for (std::size_t i = 18; i < 26; ++i)
                huge[i] = i % 4 == 1 ? 0x7F : 0xFF;
        if (std::string(ext) == "pcx")
            for (std::size_t i = 4; i < 12; ++i)
                huge[i] = i < 8 ? 0 : 0xFF;
        if (huge != bytes)
            bad.push_back(huge);
        for (std::size_t k = 0; k < bad.size(); ++k) {
            const auto file = dir / (std::string("bad") + std::to_string(k) + "." + ext);
            storage_test::writeBytes(file, bad[k]);
            TDI8Bitmap p(7, 7);
            p.setColour(0, 0x123456);
            EXPECT_FALSE(p.load(file)) << k;
            EXPECT_EQ(p.width(), 100);
            EXPECT_EQ(p.height(), 100);
            EXPECT_EQ(p.getPixel(50, 50), 0);
            EXPECT_EQ(p.getColour(0), 0u);
            EXPECT_EQ(describePicture(file).format, "ERR");
        }
    }
    TDI8Bitmap p;
    EXPECT_FALSE(p.load(dir / "missing.png"));
    EXPECT_FALSE(p.load(dir / "good.gif"));
    EXPECT_FALSE(p.save(dir / "nowhere" / "x.png"));
    EXPECT_FALSE(p.save(dir / "x.gif"));
}

// An independent reader and writer: ImageMagick from Debian.
class PictureFilesImageMagick : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!storage_test::haveTool("identify") || !storage_test::haveTool("convert"))
            GTEST_SKIP() << "ImageMagick (identify, convert) is not installed";
    }
};

TEST_F(PictureFilesImageMagick, FilesWrittenHereOpenThere)
{
    ScratchDir dir;
    TDI8Bitmap p = storage_test::patternPicture(37, 23);
    for (const char* ext : kAll) {
        SCOPED_TRACE(ext);
        const auto file = dir / (std::string("w.") + ext);
        ASSERT_TRUE(p.save(file));
        const std::string out = storage_test::run("identify -format '%m %w %h' '" + file.string() + "' 2>/dev/null");
        std::string upper = ext;
        for (char& c : upper)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        if (upper == "JPG")
            upper = "JPEG";
        if (upper == "TIF")
            upper = "TIFF";
        // identify names BMP versions ("BMP3").
        EXPECT_EQ(out.substr(0, upper.size()), upper) << out;
        EXPECT_TRUE(out.ends_with(" 37 23")) << out;
    }
    const std::string type = storage_test::run("identify -format '%[type]' '" + (dir / "w.png").string() + "'");
    EXPECT_EQ(type, "Palette");
    RgbPicture c(20, 10);
    c.setPixel(3, 3, rgb(255, 0, 0));
    for (const char* ext : kAll) {
        const auto file = dir / (std::string("c.") + ext);
        ASSERT_TRUE(c.save(file));
        EXPECT_EQ(storage_test::run("identify -format '%w %h' '" + file.string() + "' 2>/dev/null"), "20 10") << ext;
    }
}

TEST_F(PictureFilesImageMagick, FilesWrittenThereOpenHere)
{
    ScratchDir dir;
    struct Case { const char* args; const char* file; bool grey; };
    const Case cases[] = {
        {"-size 41x27 gradient:black-white -type Palette", "im8.bmp", true},
        {"-size 41x27 gradient:black-white", "img.png", true},
        {"-size 41x27 gradient:red-blue", "imc.png", false},
        {"-size 41x27 gradient:red-blue -type TrueColor", "imc.bmp", false},
        {"-size 41x27 gradient:black-white -type Palette", "im8.pcx", true},
        {"-size 41x27 gradient:red-blue", "imc.pcx", false},
        {"-size 41x27 gradient:black-white -depth 8", "img.tif", true},
        {"-size 41x27 gradient:red-blue -compress lzw", "imc.tif", false},
        {"-size 41x27 gradient:black-white -type Palette -compress zip", "im8z.tif", true},
        {"-size 41x27 gradient:black-white", "img.jpg", true},
        {"-size 41x27 gradient:red-blue", "imc.jpg", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto file = dir / c.file;
        ASSERT_EQ(std::system(("convert " + std::string(c.args) + " '" + file.string() + "'").c_str()), 0);
        RgbPicture p;
        ASSERT_TRUE(p.load(file));
        EXPECT_EQ(p.width(), 41);
        EXPECT_EQ(p.height(), 27);
        TDI8Bitmap b;
        ASSERT_TRUE(b.load(file));
        EXPECT_EQ(b.width(), 41);
        EXPECT_EQ(b.height(), 27);
        // Top of the gradient is the first colour: dark or red; bottom white or blue.
        const auto top = b.getColour(b.getPixel(20, 0));
        const auto bottom = b.getColour(b.getPixel(20, 26));
        if (c.grey) {
            EXPECT_LT(colourGreen(top), 30);
            EXPECT_GT(colourGreen(bottom), 225);
        } else {
            EXPECT_GT(colourRed(top), 200);
            EXPECT_GT(colourBlue(bottom), 200);
        }
    }
}

TEST(PictureFiles, TiffCompressionCodes)
{
    ScratchDir dir;
    TDI8Bitmap p = storage_test::patternPicture(50, 20);
    for (auto c : {TTiffCompression::sNONE, TTiffCompression::sLZW, TTiffCompression::sPACKBITS}) {
        const auto file = dir / ("c" + std::to_string(tiffCompressionCode(c)) + ".tif");
        PictureSaveOptions o;
        o.tiffCompression = c;
        ASSERT_TRUE(writePicture(file, p, o));
        EXPECT_EQ(describePicture(file).compression, tiffCompressionCode(c));
        TDI8Bitmap back;
        ASSERT_TRUE(back.load(file));
        EXPECT_EQ(maxIndexDifference(back, p), 0);
    }
    // CCITT holds black and white only.
    TDI8Bitmap bw(40, 4);
    for (int x = 20; x < 40; ++x)
        for (int y = 0; y < 4; ++y)
            bw.setPixel(x, y, 200);
    PictureSaveOptions o;
    o.tiffCompression = TTiffCompression::sCCITT;
    ASSERT_TRUE(writePicture(dir / "bw.tif", bw, o));
    const auto d = describePicture(dir / "bw.tif");
    EXPECT_EQ(d.compression, 2);
    EXPECT_EQ(d.bits, 1);
    TDI8Bitmap back;
    ASSERT_TRUE(back.load(dir / "bw.tif"));
    EXPECT_EQ(back.getColour(back.getPixel(5, 2)), 0u);
    EXPECT_EQ(back.getColour(back.getPixel(30, 2)), 0xFFFFFFu);
}

TEST(PictureFiles, SaveResolutionOfTrueColourPictures)
{
    EXPECT_EQ(saveBits(TSaveResolution::sJpegGray), 8);
    EXPECT_EQ(saveBits(TSaveResolution::sAutoMatic), 24);
    EXPECT_EQ(loadBits(TLoadResolution::lAutoMatic), 24);
    EXPECT_TRUE(jpegWritesGrey(TSaveResolution::sMonoChrome));
    EXPECT_FALSE(jpegWritesGrey(TSaveResolution::sColor256));
    ScratchDir dir;
    RgbPicture c(16, 8);
    c.setPixel(1, 1, rgb(250, 10, 10));
    struct Case { const char* name; TSaveResolution r; int bits; };
    for (auto k : {Case{"a.png", TSaveResolution::sColor256, 8}, {"a.bmp", TSaveResolution::sColor16, 8},
             {"a.pcx", TSaveResolution::sColor16, 24}, {"a.tif", TSaveResolution::sColor256, 8},
             {"a.jpg", TSaveResolution::sJpegGray, 8}, {"b.jpg", TSaveResolution::sColor256, 24},
             {"b.png", TSaveResolution::sColorTrue, 24}}) {
        PictureSaveOptions o;
        o.resolution = k.r;
        ASSERT_TRUE(writePicture(dir / k.name, c, o)) << k.name;
        EXPECT_EQ(describePicture(dir / k.name).bits, k.bits) << k.name;
    }
}
