// Palette files (".pal" standard, ".psl" split): exactly 768 bytes, entry 0 first, red, green,
// blue per entry. A split palette colours the two halves of a masked geostationary picture:
// entries 0..127 one kind of area, 128..255 the other.
//
// Threading: plain functions; the receive window calls them on the GUI thread.
#pragma once

#include "storage/di8_bitmap.h"

#include <filesystem>
#include <string_view>

namespace tellur::fax {

inline constexpr std::size_t kPaletteFileSize = 768;

struct PaletteLoadResult {
    bool fromFile = false;          // false: the grey ramp stands in
    storage::ColourTable colours{}; // colour values 0x00BBGGRR
};

// Reads a palette file. The grey ramp (and false) comes back when the file cannot be opened or
// holds fewer than 768 bytes, when the name is "STANDARD.PAL" (any case), and when it ends in "SCH".
PaletteLoadResult readPaletteFile(const std::filesystem::path& file);

// Loads the palette name (relative to the masks and palettes folder) into the receiver palette
// and, when given, the receive picture's colour table. Returns whether a file was read.
bool loadPalette(const std::filesystem::path& masksFolder, std::string_view name, storage::ColourTable& receiverPalette,
    storage::TDI8Bitmap* receivePicture);

// Writes 768 bytes; false when the file cannot be written.
bool writePaletteFile(const std::filesystem::path& file, const storage::ColourTable& colours);

} // namespace tellur::fax
