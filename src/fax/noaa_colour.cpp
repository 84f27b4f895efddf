#include "fax/noaa_colour.h"

#include "core/numeric.h"
#include "fax/palette_editor.h"

#include <algorithm>
#include <cctype>

namespace tellur::fax {

namespace {

std::uint8_t mix(int v, int i, int balance)
{
    const double x = v * balance / 255.0 + i * (255 - balance) / 255.0;
    return std::uint8_t(std::clamp<std::int64_t>(roundHalfEven(x), 0, 255));
}

} // namespace

std::uint32_t noaaColour(int visible, int infrared, const NoaaColourSettings& s)
{
    return storage::rgb(mix(visible, infrared, s.redBalance), mix(visible, infrared, s.greenBalance),
        mix(visible, infrared, s.blueBalance));
}

storage::RgbPicture colouriseNoaa(storage::TDI8Bitmap& picture, const NoaaColourSettings& s,
    std::optional<storage::PixelRect> selection)
{
    switch (s.gain) {
    case NoaaGain::Histogram: histogramEqualize(picture, true, selection); break;
    case NoaaGain::Stretch: stretchPalette(picture, true, selection); break;
    case NoaaGain::NoChange:
        if (selection)
            cropPicture(picture, *selection, true);
        break;
    }
    const int half = picture.width() / 2;
    const int h = picture.fullHeight();
    storage::RgbPicture out(half, h);
    const storage::ColourTable colours = picture.colours();
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = picture.row(y);
        auto dst = out.row(y);
        for (int x = 0; x < half; ++x) {
            const int v = storage::colourGreen(colours[row[x]]);
            const int i = storage::colourGreen(colours[row[x + half]]);
            dst[std::size_t(x)] = noaaColour(v, i, s);
        }
    }
    return out;
}

std::filesystem::path colourisedFileName(const std::filesystem::path& source)
{
    std::string ext = source.extension().string();
    if (!ext.empty())
        ext.erase(0, 1);
    for (char& c : ext)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    std::filesystem::path out = source;
    out.replace_filename(source.stem().string() + "_color." + ext);
    return out;
}

} // namespace tellur::fax
