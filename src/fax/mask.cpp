#include "fax/mask.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace tellur::fax {

namespace {

char up(char c) { return char(std::toupper(static_cast<unsigned char>(c))); }

} // namespace

bool maskCodeMatches(std::string_view maskCode, std::string_view formatCode)
{
    if (maskCode.size() != 4)
        return false;
    std::string format(formatCode.substr(0, std::min<std::size_t>(formatCode.size(), 4)));
    format.resize(4, ' ');
    const bool formatHasM = std::any_of(formatCode.begin(), formatCode.end(), [](char c) { return up(c) == 'M'; });
    if (formatHasM && maskCode[0] == '_')
        return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (maskCode[i] != '_' && up(maskCode[i]) != up(format[i]))
            return false;
    return true;
}

std::filesystem::path findMask(const std::filesystem::path& masksFolder, std::string_view formatCode)
{
    std::error_code ec;
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(masksFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != 12)
            continue;
        std::string u = name;
        for (char& c : u)
            c = up(c);
        if (u.starts_with("MASK") && u.ends_with(".BMP"))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const auto& name : names)
        if (maskCodeMatches(std::string_view(name).substr(4, 4), formatCode))
            return masksFolder / name;
    return {};
}

bool ReceiveMask::load(const std::filesystem::path& file)
{
    storage::RgbPicture p;
    if (!p.load(file)) {
        m_picture.reset();
        return false;
    }
    m_picture = std::move(p);
    return true;
}

void ReceiveMask::release() { m_picture.reset(); }

void ReceiveMask::applyToLine(std::span<std::uint8_t> line, int pictureRow, bool invertBlackWhite) const
{
    if (!m_picture || pictureRow < 0 || pictureRow >= m_picture->height())
        return;
    const auto maskRow = m_picture->row(pictureRow);
    const std::size_t n = std::min(line.size(), maskRow.size());
    for (std::size_t k = 0; k < n; ++k) {
        std::uint8_t& px = line[k];
        switch (maskRow[k]) {
        case 0x00FF00: px = std::uint8_t(px >> 1); break;
        case 0x0000FF: px = std::uint8_t((px >> 1) | 0x80); break;
        case 0x000000: px = invertBlackWhite ? 255 : 0; break;
        case 0xFFFFFF: px = invertBlackWhite ? 0 : 255; break;
        default: break;
        }
    }
}

} // namespace tellur::fax
