#include "fax/fax_assembly.h"

#include "core/numeric.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace tellur::fax {

void renderLineItems(const SampleRing& ring, const std::uint8_t* quantised, double lineStart, const LineGeometry& g,
                     std::span<std::uint8_t> out)
{
    const double p = g.samplesPerPixel;
    const int w = std::min<int>(g.pixelsToShow, static_cast<int>(out.size()));
    std::int32_t i = ringIndex(static_cast<std::int64_t>(std::trunc(lineStart + g.firstPixel * p)));
    double a = 0.0;
    int filled = 0;
    int k = g.rightToLeft ? w - 1 : 0;
    const int step = g.rightToLeft ? -1 : 1;
    // A rate so low that no item completes a pixel would never end; p is positive by construction.
    if (!(p > 0.0))
        return;
    while (filled < w) {
        a += 1.0;
        if (a >= p) {
            const std::uint8_t v = quantised[ring.at(i) & 0x3FFF];
            while (a >= p && filled < w) {
                out[static_cast<std::size_t>(k)] = v;
                k += step;
                ++filled;
                a -= p;
            }
        }
        i = ringIndex(i + 1);
    }
}

float zoomFactor(int index, int pictureWidth, int screenWidth)
{
    static constexpr std::array<float, kZoomEntries> kFactors = {
        1.0f, 0.25f, 0.2857143f, 0.33333334f, 0.4f, 0.5f, 0.6666667f, 1.0f, 1.5f,
        2.0f, 2.5f,  3.0f,       3.5f,        4.0f, 4.5f, 5.0f,       5.5f, 6.0f};
    index = validZoomIndex(index);
    if (index == 0) {
        const int avail = screenWidth - 28;
        return avail > 0 ? static_cast<float>(pictureWidth) / static_cast<float>(avail) : 1.0f;
    }
    return kFactors[static_cast<std::size_t>(index)];
}

BandUpdate bandForRow(int row, float z, bool bottomToTop, int pictureWidth, int lineCount, int scrollPos,
                      int viewHeight)
{
    if (z == 0.0f)
        z = 1.0f;
    BandUpdate u;
    const int t = static_cast<int>(std::trunc(row / z));
    const int k = static_cast<int>(z >= 1.0f ? roundHalfEven(z) : roundHalfEven(1.0f / z + 0.5f));
    u.band.left = 0;
    u.band.right = static_cast<int>(std::trunc(pictureWidth / z));
    if (bottomToTop) {
        u.band.top = t + 1;
        u.band.bottom = t + 1 + k;
        if (u.band.top < scrollPos) {
            u.scroll = true;
            u.scrollTarget = u.band.top - 16;
        }
    } else {
        u.band.top = t - 1;
        u.band.bottom = t - 1 + k;
        if (u.band.bottom >= scrollPos + viewHeight) {
            u.scroll = true;
            u.scrollTarget = u.band.bottom - viewHeight + 16;
        }
    }
    const int every = std::max<int>(static_cast<int>(roundHalfEven(z)), 1);
    u.draw = z < 1.0f || lineCount % every == 0;
    return u;
}

int scrollRange(int pictureSize, float z)
{
    if (z == 0.0f)
        z = 1.0f;
    return static_cast<int>(roundHalfEven(pictureSize / z));
}

double shiftedLineStart(double lineStart, int x, int pixelsPerLine, double samplesPerPixel, bool rightToLeft)
{
    const int xs = rightToLeft ? x : pixelsPerLine - x;
    return ringPosition(lineStart - xs * samplesPerPixel);
}

std::int64_t shiftedPictureStartE4(std::int64_t pictureStartE4, int x, int pixelsPerLine, double samplesPerPixel,
                                   bool rightToLeft)
{
    constexpr std::int64_t kRingE4 = std::int64_t(kRingSize) * 10000;
    const int xs = rightToLeft ? x : pixelsPerLine - x;
    std::int64_t v = roundHalfEven(double(pictureStartE4) - xs * samplesPerPixel * 10000.0 + double(kRingE4));
    if (v > kRingE4)
        v -= kRingE4;
    return v;
}

bool shiftStillPossible(double lineStart, std::int64_t pictureStartE4)
{
    const auto d = ringIndex(roundHalfEven((lineStart * 10000.0 - double(pictureStartE4)) / 10000.0));
    return d <= 157286;
}

float slantValue(PicturePoint a, PicturePoint b, double samplesPerPixel, double samplesPerLine, bool rightToLeft,
                 bool bottomToTop)
{
    if (b.y < a.y)
        std::swap(a, b);
    if (a.y == b.y || samplesPerLine == 0.0)
        return 0.0f;
    auto s = static_cast<float>((b.x - a.x) * samplesPerPixel / ((b.y - a.y) * samplesPerLine));
    if (rightToLeft != bottomToTop)
        s = -s;
    return s;
}

double correctedDataRate(float slant, double dataRate)
{
    return (double(slant) + 1.0) * dataRate;
}

std::string formatRate(double displayedRate)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", displayedRate);
    return buf;
}

} // namespace tellur::fax
