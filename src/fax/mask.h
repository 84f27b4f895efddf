// Geostationary masks: "MASK" + four code characters + ".BMP" in the masks and palettes folder.
// While a mask is loaded, every rendered line is pushed into the half of a split palette that
// the mask's colour at that place names (green: entries 0..127, blue: 128..255), or forced to
// black or white.
//
// Threading: owned by the FAX receive window, GUI thread.
#pragma once

#include "storage/rgb_picture.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tellur::fax {

// The four characters of a mask name against a picture format code (padded with blanks to four):
// "_" matches anything; no match when the format has an "M" anywhere and the mask code starts with "_".
bool maskCodeMatches(std::string_view maskCode, std::string_view formatCode);

// The first matching "MASK????.BMP" (names compared case-insensitively, in sorted order);
// empty when none matches or the folder cannot be listed.
std::filesystem::path findMask(const std::filesystem::path& masksFolder, std::string_view formatCode);

class ReceiveMask {
public:
    // Reads the mask picture; false (and nothing loaded) when it cannot be read.
    bool load(const std::filesystem::path& file);
    void release();
    bool isLoaded() const { return m_picture.has_value(); }

    // Applies the mask row to one picture row. Pixels beyond the mask and rows outside it are left alone.
    void applyToLine(std::span<std::uint8_t> line, int pictureRow, bool invertBlackWhite) const;

private:
    std::optional<storage::RgbPicture> m_picture;
};

} // namespace tellur::fax
