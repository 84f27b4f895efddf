#include "storage/picture_geometry.h"

#include "core/numeric.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tellur::storage {

namespace {

int truncated(double v) { return static_cast<int>(std::trunc(v)); }

} // namespace

DibSourceArea drawSourceArea(int pictureHeight, PixelRect screen, double zoom)
{
    DibSourceArea a;
    a.x = truncated(zoom * screen.left);
    a.y = pictureHeight - truncated(zoom * screen.bottom);
    a.width = std::max(truncated(zoom * (screen.right - screen.left)), 1);
    a.height = std::max(truncated(zoom * (screen.bottom - screen.top)), 1);
    return a;
}

DibSourceArea drawMirroredSourceArea(int pictureWidth, int pictureHeight, PixelRect screen, bool flipVertical,
    bool flipHorizontal, double zoom)
{
    DibSourceArea a = drawSourceArea(pictureHeight, screen, zoom);
    if (flipHorizontal) {
        a.x = pictureWidth - truncated(zoom * screen.left) - 1;
        a.width = -a.width;
    }
    if (flipVertical) {
        a.y = truncated(zoom * (screen.bottom + 1));
        a.height = -a.height;
    }
    return a;
}

TopDownArea toTopDown(const DibSourceArea& a, int pictureHeight)
{
    TopDownArea t;
    t.mirrorX = a.width < 0;
    t.mirrorY = a.height < 0;
    t.width = std::abs(a.width);
    t.height = std::abs(a.height);
    t.x = t.mirrorX ? a.x + a.width + 1 : a.x;
    const int firstRowFromBottom = t.mirrorY ? a.y + a.height + 1 : a.y;
    t.y = pictureHeight - firstRowFromBottom - t.height;
    return t;
}

PageOrientation automaticOrientation(PixelRect s)
{
    return std::abs(s.right - s.left) < std::abs(s.bottom - s.top) ? PageOrientation::Portrait
                                                                  : PageOrientation::Landscape;
}

DibSourceArea printSourceArea(int pictureWidth, int pictureHeight, PixelRect s, bool flipHorizontal,
    bool flipVertical, double scale)
{
    DibSourceArea a;
    const int columns = truncated(scale * (s.right - s.left));
    const int rows = truncated(scale * (s.bottom - s.top));
    a.x = truncated(s.left * scale);
    a.width = columns;
    if (flipHorizontal) {
        a.x = pictureWidth - a.x - 1;
        a.width = -columns;
    }
    a.y = pictureHeight - truncated(s.bottom * scale);
    a.height = rows;
    if (flipVertical) {
        a.y = truncated(scale * (s.bottom + 1));
        a.height = -rows;
    }
    return a;
}

PagePlacement printPlacement(PixelRect s, int pageWidth, int pageHeight)
{
    const int w = s.right - s.left;
    const int h = s.bottom - s.top;
    if (w <= 0 || h <= 0)
        return {};
    const double f = std::min(pageWidth * 0.95 / w, pageHeight * 0.95 / h);
    PagePlacement p;
    p.width = int(roundHalfEven(w * f));
    p.height = int(roundHalfEven(h * f));
    p.x = int(roundHalfEven((pageWidth - w * f) / 2));
    p.y = int(roundHalfEven((pageHeight - h * f) / 2));
    return p;
}

} // namespace tellur::storage
