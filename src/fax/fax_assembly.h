// Picture assembly arithmetic: cutting a line of ring items into pixels, the screen band a new
// row needs, zoom factors, moving a picture sideways and the slant correction. Pure functions;
// the receiver and the FAX-RX window call them on the GUI thread.
#pragma once

#include "core/sample_ring.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace tellur::fax {

struct LineGeometry {
    double samplesPerPixel = 1.0;
    std::int32_t firstPixel = 0;
    std::int32_t pixelsToShow = 0;
    bool rightToLeft = false;
};

// Fills out[0 .. pixelsToShow) from the line starting at ring position lineStart; pixel k takes
// the item at which the running count first reaches (k + 1) × samplesPerPixel (no averaging).
// `quantised` maps raw items to displayed grey (16384 entries).
void renderLineItems(const SampleRing& ring, const std::uint8_t* quantised, double lineStart,
                     const LineGeometry& g, std::span<std::uint8_t> out);

// Picture row a line lands in.
constexpr std::int32_t pictureRow(std::int32_t lineCount, std::int32_t maxLines, bool bottomToTop)
{
    return bottomToTop ? maxLines - lineCount - 1 : lineCount;
}

// --- zoom ----------------------------------------------------------------------------------
inline constexpr int kZoomEntries = 18;
inline constexpr std::array<std::string_view, kZoomEntries> kZoomCaptions = {
    "100%", "4 : 1", "3.5 :1", "3 : 1", "2.5 :1", "2 : 1", "1.5 :1", "1 : 1", "1 :1.5",
    "1 : 2", "1 : 2.5", "1 : 3", "1 : 3.5", "1 : 4", "1 : 4.5", "1 : 5", "1 : 5.5", "1 : 6"};

// Picture pixels per screen pixel for a zoom entry; entry 0 fits the picture to the screen.
float zoomFactor(int index, int pictureWidth, int screenWidth);
// A stored zoom index outside the list is taken as "1 : 1".
constexpr int validZoomIndex(int index) { return index >= 0 && index < kZoomEntries ? index : 7; }

// --- the band a new row needs on screen ----------------------------------------------------
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct BandUpdate {
    ScreenRect band;
    bool draw = false;      // with shrinking zoom only every Round(z)-th line is drawn
    bool scroll = false;    // a scroll request is due
    int scrollTarget = 0;
};

// row: the picture row just stored; lineCount: the line count before its increment;
// scrollPos/viewHeight: the scroll box's vertical position and height.
BandUpdate bandForRow(int row, float z, bool bottomToTop, int pictureWidth, int lineCount, int scrollPos,
                      int viewHeight);

// Vertical scroll position of the edge a picture starts from.
constexpr int startEdgeScroll(bool bottomToTop) { return bottomToTop ? 32000 : 0; }

// Scroll range (horizontal or vertical) of a picture dimension at zoom z.
int scrollRange(int pictureSize, float z);

// --- moving the picture sideways ------------------------------------------------------------
// Line-start move for a full-width picture: the column x under the mouse becomes column 0.
double shiftedLineStart(double lineStart, int x, int pixelsPerLine, double samplesPerPixel, bool rightToLeft);
// New picture start position (×10000) for a cropped picture, which is then rendered again.
std::int64_t shiftedPictureStartE4(std::int64_t pictureStartE4, int x, int pixelsPerLine, double samplesPerPixel,
                                   bool rightToLeft);
// Whether the ring still holds the start of the picture (items since its start below 80 %).
bool shiftStillPossible(double lineStart, std::int64_t pictureStartE4);

// --- slant correction ----------------------------------------------------------------------
struct PicturePoint {
    int x = 0, y = 0;
};
// Relative rate error s from two points on an edge that should be vertical.
float slantValue(PicturePoint a, PicturePoint b, double samplesPerPixel, double samplesPerLine, bool rightToLeft,
                 bool bottomToTop);
// The corrected data rate (1 + s) × rate, and its displayed form ("Data rate will be set to ...").
double correctedDataRate(float slant, double dataRate);
std::string formatRate(double displayedRate);

} // namespace tellur::fax
