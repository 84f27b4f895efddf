// Where the picture windows and the printer take their pixels from. The windows paint with Qt,
// but the areas follow the device-independent-bitmap convention the pictures are stored in:
// x counts columns from the left, y counts rows from the bottom, and a negative extent means
// the axis is mirrored. toTopDown() turns such an area into the top-down rectangle and mirror
// flags a QImage painter needs.
#pragma once

namespace tellur::storage {

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct DibSourceArea {
    int x = 0;
    int y = 0;      // from the bottom row
    int width = 0;  // negative: mirrored horizontally
    int height = 0; // negative: mirrored vertically
};

struct TopDownArea {
    int x = 0;
    int y = 0; // from the top row
    int width = 0;
    int height = 0;
    bool mirrorX = false;
    bool mirrorY = false;
};

// The part of a picture that the screen rectangle shows at zoom z (picture pixels per screen pixel).
// A zero-sized rectangle still takes at least one pixel.
DibSourceArea drawSourceArea(int pictureHeight, PixelRect screen, double zoom);
DibSourceArea drawMirroredSourceArea(int pictureWidth, int pictureHeight, PixelRect screen, bool flipVertical,
    bool flipHorizontal, double zoom);
TopDownArea toTopDown(const DibSourceArea& a, int pictureHeight);

enum class PageOrientation { Portrait, Landscape };

// Portrait when the selection is narrower than high, else landscape.
PageOrientation automaticOrientation(PixelRect selection);

// The printed part of the (compacted) picture for a selection in picture coordinates at the
// given scale; flipped axes get negative extents.
DibSourceArea printSourceArea(int pictureWidth, int pictureHeight, PixelRect selection, bool flipHorizontal,
    bool flipVertical, double scale);

// Destination on the page: the selection scaled to fill 95 % of the page in its limiting
// direction, centred. Empty selections give an empty placement.
struct PagePlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
PagePlacement printPlacement(PixelRect selection, int pageWidth, int pageHeight);

} // namespace tellur::storage
