// Fitting a picture into an SSTV picture or a thumbnail: the whole picture letterboxed, or, with
// "Stretch or crop pictures to match transmit aspect ratio", stretched when its aspect ratio is
// near the target's and cropped to it otherwise, below an optional band kept for the header.
// Threading: none; pure functions.
#pragma once

#include "sstv/sstv_transmitter.h"
#include "storage/rgb_picture.h"

namespace tellur::sstv {

inline constexpr int kHeaderBandRows = 16;

struct PictureRect {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const PictureRect&, const PictureRect&) = default;
};

// Where a fit takes its pixels from and puts them.
struct FitPlacement {
    PictureRect source;
    PictureRect target;
    friend bool operator==(const FitPlacement&, const FitPlacement&) = default;
};

// The band left free for the identification header: only when stretching or cropping and the
// header carries the identification; never on thumbnails.
int headerBandRows(bool sizeToFit, IdentificationChoice choice, bool thumbnail);

FitPlacement fitPlacement(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight, bool sizeToFit,
                          int bandRows);

// Fills the target black and draws the source as fitPlacement says.
void fitPicture(const storage::RgbPicture& source, storage::RgbPicture& target, bool sizeToFit, int bandRows);

// Bilinear scaling of a source rectangle onto a target rectangle.
void scaleInto(const storage::RgbPicture& source, const PictureRect& from, storage::RgbPicture& target,
               const PictureRect& to);

} // namespace tellur::sstv
