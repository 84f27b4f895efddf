// The arithmetic behind the palette editor of a picture window: which part of the 256 colours it
// works on, brightness and contrast, the "+"/"-" raised-cosine bump, Linear/Log./Exp. ramps,
// grey reduction, default and inverted palettes, and the operations that rewrite pixels
// (histogram equalisation, stretch, denoise), including the split layout of two-channel NOAA
// pictures (visible channel left, infrared right).
//
// Threading: owned by the palette editor window, GUI thread. The window keeps the timers (the
// 200 ms settle delays) and calls in here when they fire.
#pragma once

#include "storage/di8_bitmap.h"
#include "storage/picture_geometry.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tellur::fax {

enum class PaletteRange { Normal, Land, Sea, NOAA };     // Paltyp
enum class ColourComponent { All, Red, Green, Blue };     // Modifier

// "NOAA" for file names containing NOAA, "Land" for GEO or when entry 129 is darker (r + g + b)
// than entry 126, else "Normal".
PaletteRange choosePaletteRange(std::string_view fileName, const storage::ColourTable& colours);

struct RangeBounds {
    int first = 0;
    int last = 255;
    int step = 2; // display step; also the factor of the default palette (3 − step)
};
RangeBounds rangeBounds(PaletteRange r);

// v' = Round((f × c / 100 + 1) × (v + b − 128) + 128), f = 2 for c < 0, clamped to 0..255.
std::uint8_t brightnessContrast(std::uint8_t v, int brightness, int contrast);

class PaletteEditorModel {
public:
    // Takes the picture's colours as reference, base and current copies.
    void open(const storage::ColourTable& pictureColours, std::string_view fileName);

    PaletteRange range() const { return m_range; }
    void setRange(PaletteRange r) { m_range = r; }
    ColourComponent component() const { return m_component; }
    void setComponent(ColourComponent c) { m_component = c; }

    // The two trackbars (positionbar, Bandwidthbar); for "Land" and "Sea" they are halved and
    // "Sea" adds 128. selection() is centre ± half width clamped to 0..255.
    void setTrackbars(int position, int bandwidth);
    void selectAll(); // "Sel. all": centre 128, half width 128
    int centre() const { return m_centre; }
    int halfWidth() const { return m_halfWidth; }
    int low() const;
    int high() const;
    // Rangedisp: low end, "-", high end.
    std::string rangeText() const;

    // Trackbars -200..200. With "All colors" the three component values move by the same amount.
    void setBrightness(int value);
    void setContrast(int value);
    int brightness(ColourComponent c) const { return m_brightness[std::size_t(c)]; }
    int contrast(ColourComponent c) const { return m_contrast[std::size_t(c)]; }
    // Recomputes the current colours of the range from the base copy (the settle timer fired).
    void applyBrightnessContrast();

    // "+"/"-": adds ±4 to the accumulator; stepTimerFired() spends it on the centre entry and
    // bends the selected region around it.
    void brighter() { m_stepAccumulator += 4; }
    void darker() { m_stepAccumulator -= 4; }
    void stepTimerFired();

    enum class Curve { Linear, Log, Exp };
    void applyCurve(Curve c);
    void reduceToGrey();     // "R=G=B"
    void defaultPalette();   // "Default"
    void invert();           // "Invert picture"
    // "Restore original palette" for an unchanged picture: back to the reference copy.
    void restoreOriginal();
    // The current colours went into the picture: trackbars back to 0, base := current.
    void applied();

    // Palette files: a loaded table replaces the current colours; a name not ending in "PAL"
    // switches to "Land", a ".pal" switches "Land"/"Sea" back to "Normal".
    void loadedPalette(const storage::ColourTable& colours, std::string_view fileName);
    // "psl" for "Land"/"Sea", else "pal".
    std::string_view defaultPaletteExtension() const;

    const storage::ColourTable& current() const { return m_current; }
    const storage::ColourTable& base() const { return m_base; }
    const storage::ColourTable& reference() const { return m_reference; }
    void setCurrent(const storage::ColourTable& c) { m_current = c; }

private:
    // Component byte masks of the chosen component(s) in a 0x00BBGGRR value.
    std::array<bool, 3> chosen() const;
    void blendHalf(int comp, int from, int to, int centre, bool rising);

    storage::ColourTable m_reference{}, m_base{}, m_current{};
    PaletteRange m_range = PaletteRange::Normal;
    ColourComponent m_component = ColourComponent::All;
    int m_centre = 128;
    int m_halfWidth = 128;
    std::array<int, 4> m_brightness{};
    std::array<int, 4> m_contrast{};
    int m_stepAccumulator = 0;
};

// Pixel-rewriting operations. `selection` is in picture pixels (already divided by the zoom);
// when present, the picture is cropped to it afterwards (both halves in split mode).
// split: the picture is two channels side by side, each width / 2 wide, mapped into the
// palette halves 0..127 and 128..255.
void histogramEqualize(storage::TDI8Bitmap& picture, bool split, std::optional<storage::PixelRect> selection);
void stretchPalette(storage::TDI8Bitmap& picture, bool split, std::optional<storage::PixelRect> selection);
// Crops to the selection (clamped to the picture); in split mode the same area of both halves.
void cropPicture(storage::TDI8Bitmap& picture, storage::PixelRect selection, bool split);

// A pixel far from both vertical neighbours (by more than their difference + 20) becomes their mean.
storage::TDI8Bitmap denoise(const storage::TDI8Bitmap& picture);

} // namespace tellur::fax
