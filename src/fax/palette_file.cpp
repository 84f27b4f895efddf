#include "fax/palette_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <string>

namespace tellur::fax {

namespace {

std::string upper(std::string s)
{
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

PaletteLoadResult readPaletteFile(const std::filesystem::path& file)
{
    PaletteLoadResult r;
    r.colours = storage::greyRamp();
    const std::string name = upper(file.filename().string());
    if (name == "STANDARD.PAL" || (name.size() >= 3 && name.ends_with("SCH")))
        return r;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return r;
    std::array<char, kPaletteFileSize> bytes{};
    in.read(bytes.data(), std::streamsize(bytes.size()));
    if (in.gcount() != std::streamsize(bytes.size()))
        return r;
    for (std::size_t i = 0; i < 256; ++i)
        r.colours[i] = storage::colourValue(std::uint8_t(bytes[3 * i]), std::uint8_t(bytes[3 * i + 1]),
            std::uint8_t(bytes[3 * i + 2]));
    r.fromFile = true;
    return r;
}

bool loadPalette(const std::filesystem::path& masksFolder, std::string_view name, storage::ColourTable& receiverPalette,
    storage::TDI8Bitmap* receivePicture)
{
    const PaletteLoadResult r = readPaletteFile(masksFolder / std::filesystem::path(std::string(name)));
    receiverPalette = r.colours;
    if (receivePicture)
        receivePicture->setColours(r.colours);
    return r.fromFile;
}

bool writePaletteFile(const std::filesystem::path& file, const storage::ColourTable& colours)
{
    std::array<char, kPaletteFileSize> bytes{};
    for (std::size_t i = 0; i < 256; ++i) {
        bytes[3 * i] = char(storage::colourRed(colours[i]));
        bytes[3 * i + 1] = char(storage::colourGreen(colours[i]));
        bytes[3 * i + 2] = char(storage::colourBlue(colours[i]));
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    return bool(out);
}

} // namespace tellur::fax
