#include "fax/mask.h"
#include "fax/palette_file.h"

#include "storage/storage_test_util.h"

#include <gtest/gtest.h>

using namespace tellur;
using namespace tellur::fax;
using storage_test::ScratchDir;

TEST(PaletteFile, RoundTripAndTheCasesThatFallBackToGrey)
{
    ScratchDir dir;
    storage::ColourTable colours{};
    for (std::size_t i = 0; i < 256; ++i)
        colours[i] = storage::colourValue(std::uint8_t(i), std::uint8_t(i / 2), std::uint8_t(255 - i));
    ASSERT_TRUE(writePaletteFile(dir / "rain.pal", colours));
    EXPECT_EQ(std::filesystem::file_size(dir / "rain.pal"), 768u);
    const auto bytes = storage_test::readBytes(dir / "rain.pal");
    EXPECT_EQ(bytes[3], 1); // entry 1: red, green, blue
    EXPECT_EQ(bytes[4], 0);
    EXPECT_EQ(bytes[5], 254);

    auto r = readPaletteFile(dir / "rain.pal");
    EXPECT_TRUE(r.fromFile);
    EXPECT_EQ(r.colours, colours);

    storage_test::writeBytes(dir / "short.pal", std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1));
    std::filesystem::copy_file(dir / "rain.pal", dir / "standard.pal");
    std::filesystem::copy_file(dir / "rain.pal", dir / "rain.sch");
    for (const char* name : {"short.pal", "standard.pal", "rain.sch", "missing.pal"}) {
        r = readPaletteFile(dir / name);
        EXPECT_FALSE(r.fromFile) << name;
        EXPECT_EQ(r.colours, storage::greyRamp()) << name;
    }

    storage::ColourTable receiver{};
    storage::TDI8Bitmap picture(10, 10);
    EXPECT_TRUE(loadPalette(dir.path(), "rain.pal", receiver, &picture));
    EXPECT_EQ(receiver, colours);
    EXPECT_EQ(picture.colours(), colours);
    EXPECT_FALSE(loadPalette(dir.path(), "short.pal", receiver, nullptr));
    EXPECT_EQ(receiver, storage::greyRamp());
}

TEST(PaletteMask, CodeMatching)
{
    struct Case { const char* mask; const char* format; bool want; };
    const Case cases[] = {
        {"_2__", "D2", true}, {"_2__", "E2x", true}, {"_2__", "M2", false}, {"_2__", "d2", true},
        {"D2__", "d2", true}, {"D3__", "D2", false}, {"M___", "M2", true}, {"____", "xm", false},
        {"__X_", "AB", false}, {"AB__", "ABCD", true}, {"ABC", "ABC", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(maskCodeMatches(c.mask, c.format), c.want) << c.mask << " / " << c.format;
}

TEST(PaletteMask, FindMaskTakesTheFirstMatchingName)
{
    ScratchDir dir;
    for (const char* name : {"MASKD3__.BMP", "mask_2__.bmp", "MASK_2_.BMP", "MASKD2__.txt", "MASK__2_.BMP"})
        storage_test::writeBytes(dir / name, {0});
    EXPECT_EQ(findMask(dir.path(), "D2").filename(), "mask_2__.bmp");
    EXPECT_EQ(findMask(dir.path(), "D3").filename(), "MASKD3__.BMP");
    EXPECT_TRUE(findMask(dir.path(), "M2").empty());
    EXPECT_TRUE(findMask(dir / "nothing", "D2").empty());
}

TEST(PaletteMask, ApplyingAMaskRow)
{
    ScratchDir dir;
    storage::RgbPicture m(5, 2);
    const std::uint32_t row0[5] = {0x00FF00, 0x0000FF, 0x000000, 0xFFFFFF, 0x808080};
    for (int x = 0; x < 5; ++x)
        m.setPixel(x, 0, row0[x]);
    ASSERT_TRUE(m.save(dir / "MASKD2__.BMP"));

    ReceiveMask mask;
    EXPECT_FALSE(mask.load(dir / "none.bmp"));
    EXPECT_FALSE(mask.isLoaded());
    ASSERT_TRUE(mask.load(dir / "MASKD2__.BMP"));
    ASSERT_TRUE(mask.isLoaded());

    std::vector<std::uint8_t> line{201, 201, 201, 201, 201, 77};
    mask.applyToLine(line, 0, false);
    EXPECT_EQ(line, (std::vector<std::uint8_t>{100, 228, 0, 255, 201, 77}));
    line = {201, 201, 201, 201, 201, 77};
    mask.applyToLine(line, 0, true);
    EXPECT_EQ(line, (std::vector<std::uint8_t>{100, 228, 255, 0, 201, 77}));
    // Row 1 is black: the signal does not matter.
    line = {1, 99, 255};
    mask.applyToLine(line, 1, false);
    EXPECT_EQ(line, (std::vector<std::uint8_t>{0, 0, 0}));
    // Rows outside the mask are left alone.
    line = {1, 2, 3};
    mask.applyToLine(line, 2, false);
    mask.applyToLine(line, -1, false);
    EXPECT_EQ(line, (std::vector<std::uint8_t>{1, 2, 3}));
    mask.release();
    EXPECT_FALSE(mask.isLoaded());
}
