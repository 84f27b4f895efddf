#include "fax/noaa_colour.h"
#include "fax/palette_editor.h"

#include <gtest/gtest.h>

using namespace tellur;
using namespace tellur::fax;
using storage::colourValue;

namespace {

storage::ColourTable fromComponent(int comp, const storage::ColourTable& t)
{
    storage::ColourTable out{};
    for (std::size_t i = 0; i < 256; ++i)
        out[i] = (t[i] >> (8 * comp)) & 0xFF;
    return out;
}

int green(const storage::TDI8Bitmap& p, int x, int y) { return storage::colourGreen(p.getColour(p.getPixel(x, y))); }

} // namespace

TEST(PaletteEditor, BrightnessAndContrast)
{
    struct Case { int v, b, c, want; };
    for (auto c : {Case{100, 20, 0, 120}, {100, 0, -50, 128}, {7, 90, -50, 128}, {250, 50, 0, 255},
             {10, -50, 0, 0}, {100, 0, 100, 72}, {200, 0, 50, 236}})
        EXPECT_EQ(brightnessContrast(std::uint8_t(c.v), c.b, c.c), c.want) << c.v << " " << c.b << " " << c.c;

    PaletteEditorModel m;
    m.open(storage::greyRamp(), "picture.png");
    m.setComponent(ColourComponent::Red);
    m.setBrightness(10);
    m.setComponent(ColourComponent::All);
    m.setBrightness(195); // moves every component by 195, each clamped to 200
    EXPECT_EQ(m.brightness(ColourComponent::Red), 200);
    EXPECT_EQ(m.brightness(ColourComponent::Green), 195);
    m.setBrightness(20);
    EXPECT_EQ(m.brightness(ColourComponent::Red), 25);
    EXPECT_EQ(m.brightness(ColourComponent::Blue), 20);
    m.applyBrightnessContrast();
    EXPECT_EQ(m.current()[100], colourValue(125, 120, 120));
    // Only the range changes: "Land" leaves 128..255 alone.
    m.setRange(PaletteRange::Land);
    m.restoreOriginal();
    m.applyBrightnessContrast();
    EXPECT_EQ(m.current()[100], colourValue(125, 120, 120));
    EXPECT_EQ(m.current()[200], colourValue(200, 200, 200));
    m.applied();
    EXPECT_EQ(m.base(), m.current());
    EXPECT_EQ(m.brightness(ColourComponent::Red), 0);
}

TEST(PaletteEditor, RangeChoiceAndSelection)
{
    auto t = storage::greyRamp();
    EXPECT_EQ(choosePaletteRange("/x/NOAA19_0815.png", t), PaletteRange::NOAA);
    EXPECT_EQ(choosePaletteRange("/x/geo_d2.png", t), PaletteRange::Land);
    EXPECT_EQ(choosePaletteRange("/x/dwd.png", t), PaletteRange::Normal);
    t[129] = 0;
    EXPECT_EQ(choosePaletteRange("/x/dwd.png", t), PaletteRange::Land);

    PaletteEditorModel m;
    m.open(storage::greyRamp(), "a.png");
    m.setTrackbars(100, 40);
    EXPECT_EQ(m.rangeText(), "60-140");
    m.setTrackbars(250, 40);
    EXPECT_EQ(m.rangeText(), "210-255");
    m.setRange(PaletteRange::Sea);
    m.setTrackbars(100, 40);
    EXPECT_EQ(m.centre(), 178);
    EXPECT_EQ(m.rangeText(), "158-198");
    EXPECT_EQ(m.defaultPaletteExtension(), "psl");
    m.selectAll();
    EXPECT_EQ(m.rangeText(), "0-255");
    m.loadedPalette(storage::greyRamp(), "x.pal");
    EXPECT_EQ(m.range(), PaletteRange::Normal);
    m.loadedPalette(storage::greyRamp(), "x.psl");
    EXPECT_EQ(m.range(), PaletteRange::Land);
}

TEST(PaletteEditor, BrighterBendsTheSelectionSmoothly)
{
    PaletteEditorModel m;
    m.open(storage::greyRamp(), "a.png");
    m.setTrackbars(128, 10);
    m.brighter();
    m.brighter();
    m.stepTimerFired();
    const auto& c = m.current();
    EXPECT_EQ(c[128], colourValue(136, 136, 136));
    EXPECT_EQ(c[118], colourValue(118, 118, 118));
    EXPECT_EQ(c[138], colourValue(138, 138, 138));
    EXPECT_EQ(c[123], colourValue(127, 127, 127)); // 118 + Round(1 × 18 / 2)
    EXPECT_EQ(c[133], colourValue(137, 137, 137)); // 138 − Round(1 × 2 / 2)
    EXPECT_EQ(c[100], colourValue(100, 100, 100));
    // A second fire without presses changes nothing.
    const auto before = m.current();
    m.stepTimerFired();
    EXPECT_EQ(m.current(), before);

    // Clamped at 0: the short lower half and the long upper half each give one smooth slope.
    m.open(storage::greyRamp(), "a.png");
    m.setComponent(ColourComponent::Green);
    m.setTrackbars(5, 20);
    for (int i = 0; i < 10; ++i)
        m.brighter();
    m.stepTimerFired();
    const auto g = fromComponent(1, m.current());
    EXPECT_EQ(g[5], 45u);
    for (int j = 0; j < 5; ++j)
        EXPECT_LE(g[std::size_t(j)], g[std::size_t(j) + 1]) << j;
    for (int k = 5; k < 25; ++k)
        EXPECT_GE(g[std::size_t(k)], g[std::size_t(k) + 1]) << k;
    EXPECT_EQ(fromComponent(0, m.current())[5], 5u); // red untouched
}

TEST(PaletteEditor, CurvesGreyDefaultAndInvert)
{
    PaletteEditorModel m;
    auto t = storage::greyRamp();
    t[90] = 0;
    t[110] = colourValue(210, 210, 210);
    m.open(t, "a.png");
    m.setTrackbars(100, 10);
    struct Case { PaletteEditorModel::Curve curve; std::uint32_t want; };
    for (auto c : {Case{PaletteEditorModel::Curve::Linear, 100}, {PaletteEditorModel::Curve::Log, 141},
             {PaletteEditorModel::Curve::Exp, 50}}) {
        m.setCurrent(t);
        m.applyCurve(c.curve);
        EXPECT_EQ(m.current()[100], colourValue(std::uint8_t(c.want), std::uint8_t(c.want), std::uint8_t(c.want)));
        EXPECT_EQ(m.current()[90], 0u);
    }

    t[7] = colourValue(30, 60, 90);
    m.open(t, "a.png");
    m.reduceToGrey();
    EXPECT_EQ(m.current()[7], colourValue(60, 60, 60));
    m.open(t, "a.png");
    m.setComponent(ColourComponent::Red);
    m.reduceToGrey();
    EXPECT_EQ(m.current()[7], colourValue(30, 30, 30));

    m.open(t, "a.png");
    m.setRange(PaletteRange::Land);
    m.defaultPalette();
    EXPECT_EQ(m.current()[10], colourValue(20, 20, 20));
    EXPECT_EQ(m.current()[127], colourValue(254, 254, 254));
    EXPECT_EQ(m.current()[200], t[200]);
    m.setRange(PaletteRange::Normal);
    m.setComponent(ColourComponent::Green);
    m.setCurrent(t);
    m.invert();
    EXPECT_EQ(m.current()[7], colourValue(30, 195, 90));
    m.restoreOriginal();
    EXPECT_EQ(m.current(), t);
}

TEST(PaletteEditor, HistogramEqualisation)
{
    storage::TDI8Bitmap p(10, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            p.setPixel(x, y, std::uint8_t(10 * (1 + x / 3 > 4 ? 4 : 1 + (x * 10 + y) / 25)));
    histogramEqualize(p, false, std::nullopt);
    // Pixels now hold their grey levels (0.9 × the ramp), the table spreads them evenly.
    EXPECT_EQ(p.getPixel(0, 0), 9);
    EXPECT_EQ(green(p, 0, 0), 0);
    EXPECT_EQ(green(p, 9, 9), 255);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_LE(green(p, x, y), green(p, x + 1, y));
    EXPECT_NEAR(storage::colourGreen(p.getColour(18)), 128, 8);
    EXPECT_NEAR(storage::colourGreen(p.getColour(27)), 191, 8);
}

TEST(PaletteEditor, SplitEqualisationUsesBothPaletteHalvesAndCrops)
{
    storage::TDI8Bitmap p(8, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            p.setPixel(x, y, std::uint8_t(x < 4 ? 40 + 40 * (x % 2) : 200 + 20 * (x % 2)));
    storage::TDI8Bitmap whole = p;
    histogramEqualize(whole, true, std::nullopt);
    EXPECT_LT(whole.getPixel(0, 0), 128);
    EXPECT_GE(whole.getPixel(4, 0), 128);
    EXPECT_EQ(green(whole, 0, 0), 0);
    EXPECT_EQ(green(whole, 1, 0), 255);
    EXPECT_EQ(green(whole, 4, 0), 0);
    EXPECT_EQ(green(whole, 5, 0), 255);
    histogramEqualize(p, true, storage::PixelRect{1, 1, 3, 3});
    EXPECT_EQ(p.width(), 4); // two halves of 2 columns
    EXPECT_EQ(p.height(), 2);
    EXPECT_GE(p.getPixel(2, 0), 128);
}

TEST(PaletteEditor, StretchCutsOnePercentAtBothEnds)
{
    storage::TDI8Bitmap p(10, 10);
    for (int i = 0; i < 100; ++i)
        p.setPixel(i % 10, i / 10, i == 0 ? 0 : i == 99 ? 255 : i < 50 ? 100 : 200);
    stretchPalette(p, false, std::nullopt);
    // Levels 0, 90, 180, 229: one pixel at each end is the 1 % that saturates.
    EXPECT_EQ(p.getColour(0), 0u);
    EXPECT_EQ(p.getColour(90), 0u);
    EXPECT_EQ(p.getColour(180), 0xFFFFFFu);
    EXPECT_EQ(p.getColour(229), 0xFFFFFFu);
    EXPECT_EQ(p.getColour(135), colourValue(128, 128, 128)); // Round(127.5)
    // One level only: no division by zero.
    storage::TDI8Bitmap flat(4, 4);
    stretchPalette(flat, false, std::nullopt);
    EXPECT_EQ(flat.getColour(0), 0u);
    EXPECT_EQ(flat.getColour(1), 0xFFFFFFu);
}

TEST(PaletteEditor, Denoise)
{
    storage::TDI8Bitmap p(3, 3);
    p.setColour(1, 0x010203);
    const std::uint8_t top[3] = {100, 100, 100}, mid[3] = {200, 120, 255}, bottom[3] = {104, 104, 104};
    p.storeRow(0, top);
    p.storeRow(1, mid);
    p.storeRow(2, bottom);
    const auto out = denoise(p);
    EXPECT_EQ(out.getPixel(0, 1), 102); // far from both neighbours
    EXPECT_EQ(out.getPixel(1, 1), 120); // 24 is not smaller than 16
    EXPECT_EQ(out.getPixel(2, 1), 102);
    EXPECT_EQ(out.getPixel(0, 0), 100);
    EXPECT_EQ(out.getPixel(0, 2), 104);
    EXPECT_EQ(out.getColour(1), 0x010203u);
}

TEST(PaletteNoaa, ColourisationOfTheTwoChannels)
{
    const NoaaColourSettings s; // 255, 165, 0
    EXPECT_EQ(noaaColour(200, 100, s), storage::rgb(200, 165, 100));

    storage::TDI8Bitmap p(5, 2); // odd width: the last column has no partner and is dropped
    for (int y = 0; y < 2; ++y) {
        p.setPixel(0, y, 200);
        p.setPixel(1, y, 10);
        p.setPixel(2, y, 100);
        p.setPixel(3, y, 100);
    }
    NoaaColourSettings keep = s;
    keep.gain = NoaaGain::NoChange;
    const auto c = colouriseNoaa(p, keep);
    ASSERT_EQ(c.width(), 2);
    ASSERT_EQ(c.height(), 2);
    EXPECT_EQ(c.getPixel(0, 1), storage::rgb(200, 165, 100));
    EXPECT_EQ(c.getPixel(1, 0), noaaColour(10, 100, s));

    EXPECT_EQ(colourisedFileName("/pics/NOAA19.png"), std::filesystem::path("/pics/NOAA19_color.PNG"));
    EXPECT_EQ(colourisedFileName("a.b.jpg"), std::filesystem::path("a.b_color.JPG"));
}
