// NOAA VIS+IR colourisation: a two-channel satellite picture (visible left half, infrared right
// half) becomes one true-colour picture. Each output component mixes the two channels by its
// balance: R = Round(V × red / 255 + I × (255 − red) / 255), likewise G and B.
//
// Threading: GUI thread (the palette editor runs it with the window disabled).
#pragma once

#include "storage/di8_bitmap.h"
#include "storage/picture_geometry.h"
#include "storage/rgb_picture.h"

#include <filesystem>
#include <optional>

namespace tellur::fax {

enum class NoaaGain { Histogram = 0, Stretch = 1, NoChange = 2 }; // Gaincontrol

struct NoaaColourSettings {
    int redBalance = 255;
    int greenBalance = 165;
    int blueBalance = 0;
    NoaaGain gain = NoaaGain::Histogram;
};

// One output pixel (0x00RRGGBB) from the visible and infrared levels.
std::uint32_t noaaColour(int visible, int infrared, const NoaaColourSettings& s);

// Applies the gain step to the picture (split-mode equalisation or stretch, or only the crop to a
// present selection), then builds the (width / 2) × height colour picture from the green
// components of the two halves' colours.
storage::RgbPicture colouriseNoaa(storage::TDI8Bitmap& picture, const NoaaColourSettings& s,
    std::optional<storage::PixelRect> selection = std::nullopt);

// Beside the source: name without extension + "_color." + extension in upper case.
std::filesystem::path colourisedFileName(const std::filesystem::path& source);

} // namespace tellur::fax
