// Text rendered into an 8-bit coverage mask, for the stamps and headers that the FAX and SSTV
// transmitters and the picture savers draw into pictures. The platform renders with real fonts;
// the engine only sees the mask.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tellur {

struct TextMask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage; // width * height, row by row from the top; 0 none, 255 full
    std::uint8_t at(int x, int y) const { return coverage[static_cast<std::size_t>(y * width + x)]; }
};

struct FontSpec {
    std::string_view family = "Arial";
    int pointSize = 16;
    bool bold = true;
    bool italic = false;
    bool underline = false;
};

class TextMaskRenderer {
public:
    virtual ~TextMaskRenderer() = default;
    virtual TextMask render(std::string_view text, const FontSpec& font) = 0;
};

} // namespace tellur
