#include "storage/picture_geometry.h"

#include <gtest/gtest.h>

using namespace tellur::storage;

TEST(PictureGeometry, DrawSourceFollowsTheZoom)
{
    const auto a = drawSourceArea(400, {10, 20, 110, 220}, 1.5);
    EXPECT_EQ(a.x, 15);
    EXPECT_EQ(a.y, 400 - 330);
    EXPECT_EQ(a.width, 150);
    EXPECT_EQ(a.height, 300);
    const auto t = toTopDown(a, 400);
    EXPECT_EQ(t.y, 30); // Trunc(1.5 × top)
    EXPECT_EQ(t.height, 300);
    EXPECT_FALSE(t.mirrorX || t.mirrorY);
    // A zero-sized rectangle still takes one pixel.
    const auto z = drawSourceArea(400, {5, 5, 5, 5}, 2.0);
    EXPECT_EQ(z.width, 1);
    EXPECT_EQ(z.height, 1);
}

TEST(PictureGeometry, MirroredDrawingTakesTheOppositeSide)
{
    const auto a = drawMirroredSourceArea(300, 400, {10, 20, 110, 220}, false, true, 1.5);
    EXPECT_EQ(a.x, 300 - 15 - 1);
    EXPECT_EQ(a.width, -150);
    const auto t = toTopDown(a, 400);
    EXPECT_TRUE(t.mirrorX);
    EXPECT_EQ(t.x, 135); // columns 135..284 mirror 15..164
    EXPECT_EQ(t.width, 150);
    const auto v = drawMirroredSourceArea(300, 400, {0, 0, 100, 100}, true, false, 1.0);
    EXPECT_EQ(v.y, 101);
    EXPECT_EQ(v.height, -100);
    const auto tv = toTopDown(v, 400);
    EXPECT_TRUE(tv.mirrorY);
    EXPECT_EQ(tv.y, 400 - 2 - 100);
}

TEST(PictureGeometry, PrintOrientationAndPlacement)
{
    EXPECT_EQ(automaticOrientation({0, 0, 800, 400}), PageOrientation::Landscape);
    EXPECT_EQ(automaticOrientation({0, 0, 400, 800}), PageOrientation::Portrait);
    EXPECT_EQ(automaticOrientation({0, 0, 500, 500}), PageOrientation::Landscape);
    const auto p = printPlacement({0, 0, 800, 400}, 1000, 1000);
    EXPECT_EQ(p.width, 950);
    EXPECT_EQ(p.height, 475);
    EXPECT_EQ(p.x, 25);
    EXPECT_EQ(p.y, 262); // 262.5 rounds to even
    const auto e = printPlacement({0, 0, 0, 400}, 1000, 1000);
    EXPECT_EQ(e.width, 0);
    const auto s = printSourceArea(800, 400, {100, 0, 300, 200}, true, false, 2.0);
    EXPECT_EQ(s.x, 800 - 200 - 1);
    EXPECT_EQ(s.width, -400);
    EXPECT_EQ(s.y, 0);
    EXPECT_EQ(s.height, 400);
}
