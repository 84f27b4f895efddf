#include "storage/di8_bitmap.h"

#include "core/le_bytes.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace tellur;
using namespace tellur::storage;

TEST(DI8Bitmap, LayoutOfALargeFaxPicture)
{
    TDI8Bitmap p(1810, 4200);
    EXPECT_EQ(p.stride(), 1812);
    EXPECT_EQ(p.imageSize(), 7610400);
    EXPECT_EQ(p.header().size(), 7611464u);
    const auto h = p.header();
    EXPECT_EQ(readI32(h, 0), 40);
    EXPECT_EQ(readI32(h, 4), 1810);
    EXPECT_EQ(readI32(h, 8), 4200);
    EXPECT_EQ(readU16(h, 12), 1);
    EXPECT_EQ(readU16(h, 14), 8);
    EXPECT_EQ(readI32(h, 32), 256);
    EXPECT_EQ(p.getColour(77), 0x4D4D4Du);
    EXPECT_FALSE(p.hasWrittenRows());
}

TEST(DI8Bitmap, RowsAreTopDownOverBottomUpStorage)
{
    TDI8Bitmap p(5, 3);
    const std::uint8_t line[5] = {1, 2, 3, 4, 5};
    p.storeRow(0, line);
    // Top row lives in the last stored row; the stride pads 5 to 8.
    EXPECT_EQ(p.pixels()[2 * 8 + 4], 5);
    EXPECT_EQ(p.getPixel(4, 0), 5);
    EXPECT_EQ(p.lowestWrittenRow(), 0);
    EXPECT_EQ(p.highestWrittenRow(), 0);
    p.storeRow(3, line);  // outside: ignored
    p.storeRow(-1, line);
    EXPECT_EQ(p.highestWrittenRow(), 0);
    EXPECT_EQ(p.rowPointer(3), nullptr);
}

TEST(DI8Bitmap, PixelAccessOutsideThePicture)
{
    TDI8Bitmap p(10, 4);
    p.setPixel(0, 0, 9);
    p.setPixel(9, 3, 8);
    p.setPixel(-1, 0, 7);
    p.setPixel(10, 0, 7);
    p.setPixel(0, 4, 7);
    EXPECT_EQ(p.getPixel(0, 0), 9);
    EXPECT_EQ(p.getPixel(9, 3), 8);
    EXPECT_EQ(p.getPixel(-1, 0), 0);
    EXPECT_EQ(p.getPixel(10, 0), 0);
    EXPECT_EQ(p.getPixel(0, -1), 0);
    EXPECT_EQ(p.getPixel(0, 4), 0);
}

TEST(DI8Bitmap, ColoursAreRedInTheLowByte)
{
    TDI8Bitmap p(4, 4);
    p.setColour(3, 0x00112233); // blue 0x11, green 0x22, red 0x33
    EXPECT_EQ(p.getColour(3), 0x00112233u);
    const auto h = p.header();
    EXPECT_EQ(h[40 + 12 + 0], 0x11); // RGBQUAD order blue, green, red, reserved
    EXPECT_EQ(h[40 + 12 + 1], 0x22);
    EXPECT_EQ(h[40 + 12 + 2], 0x33);
    EXPECT_EQ(p.getColour(256), 0u);
}

TEST(DI8Bitmap, CompactMovesTheBandAndExpandRestoresIt)
{
    TDI8Bitmap p(6, 10);
    std::vector<std::uint8_t> line(6);
    for (int r = 3; r <= 5; ++r) {
        std::fill(line.begin(), line.end(), std::uint8_t(r * 10));
        p.storeRow(r, line);
    }
    p.compact();
    EXPECT_TRUE(p.isCompacted());
    EXPECT_EQ(p.height(), 3);
    EXPECT_EQ(p.imageSize(), 3 * 8);
    // Compacted DIB: bottom stored row is the band's last row.
    EXPECT_EQ(p.pixels()[0], 50);
    EXPECT_EQ(p.pixels()[2 * 8], 30);
    EXPECT_EQ(p.getPixel(0, 4), 40);
    p.compact(); // twice is harmless
    p.expand();
    EXPECT_EQ(p.height(), 10);
    for (int r = 0; r < 10; ++r)
        EXPECT_EQ(p.getPixel(2, r), (r >= 3 && r <= 5) ? r * 10 : 0) << r;
    // Writing a row undoes a compaction first.
    p.compact();
    p.storeRow(9, line);
    EXPECT_FALSE(p.isCompacted());
    EXPECT_EQ(p.getPixel(0, 4), 40);
    EXPECT_EQ(p.highestWrittenRow(), 9);
    p.clear();
    EXPECT_FALSE(p.hasWrittenRows());
    EXPECT_EQ(p.getPixel(0, 4), 0);
}

TEST(DI8Bitmap, RotateRowsLeft)
{
    TDI8Bitmap p(5, 2);
    const std::uint8_t line[5] = {1, 2, 3, 4, 5};
    p.storeRow(0, line);
    p.storeRow(1, line);
    p.rotateRowsLeft(0, 3);
    for (int r = 0; r < 2; ++r) {
        const std::uint8_t* q = p.row(r);
        EXPECT_EQ(std::vector<int>(q, q + 5), (std::vector<int>{4, 5, 1, 2, 3}));
    }
    p.rotateRowsLeft(1, 2); // only the second row
    EXPECT_EQ(p.getPixel(0, 0), 4);
    EXPECT_EQ(p.getPixel(0, 1), 1);
}

TEST(DI8Bitmap, Rotate90RightSwapsSizesClockwise)
{
    TDI8Bitmap p(3, 2); // a b c / d e f
    const std::uint8_t top[3] = {1, 2, 3}, bottom[3] = {4, 5, 6};
    p.storeRow(0, top);
    p.storeRow(1, bottom);
    p.setColour(1, 0x123456);
    p.rotate90Right();
    ASSERT_EQ(p.width(), 2);
    ASSERT_EQ(p.height(), 3);
    EXPECT_EQ(p.stride(), 4);
    // d a / e b / f c
    const int want[3][2] = {{4, 1}, {5, 2}, {6, 3}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(p.getPixel(x, y), want[y][x]) << x << "," << y;
    EXPECT_EQ(p.getColour(1), 0x123456u);
}

TEST(DI8Bitmap, DrawMaskOnlyWhenItFits)
{
    TextMask m;
    m.width = 3;
    m.height = 2;
    m.coverage = {255, 0, 200, 0, 127, 128};
    TDI8Bitmap p(8, 4);
    p.setPixel(1, 1, 99);
    p.drawMask(m, 0, 0, 3, 2, 7, false);
    EXPECT_EQ(p.getPixel(0, 0), 7);
    EXPECT_EQ(p.getPixel(1, 0), 0);
    EXPECT_EQ(p.getPixel(2, 0), 7);
    EXPECT_EQ(p.getPixel(1, 1), 99); // unset, transparent
    EXPECT_EQ(p.getPixel(2, 1), 7);
    p.drawMask(m, 0, 0, 3, 2, 7, true);
    EXPECT_EQ(p.getPixel(1, 1), 0);
    // Would stick out right, below, left, or is larger than the mask: nothing drawn.
    TDI8Bitmap q(8, 4);
    q.drawMask(m, 6, 0, 3, 2, 9, true);
    q.drawMask(m, 0, 3, 3, 2, 9, true);
    q.drawMask(m, -1, 0, 3, 2, 9, true);
    q.drawMask(m, 0, 0, 4, 2, 9, true);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(q.getPixel(x, y), 0);
}
