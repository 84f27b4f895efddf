// A true-colour picture: SSTV pictures, colourised NOAA pictures and loaded masks. Pixels are
// 0x00RRGGBB (the layout of QImage::Format_RGB32 without alpha), rows top-down, no padding.
//
// Threading: none; owned by one window or decoder at a time.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace tellur::storage {

constexpr std::uint32_t rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
}
constexpr std::uint8_t rgbRed(std::uint32_t p) { return std::uint8_t(p >> 16); }
constexpr std::uint8_t rgbGreen(std::uint32_t p) { return std::uint8_t(p >> 8); }
constexpr std::uint8_t rgbBlue(std::uint32_t p) { return std::uint8_t(p); }

class RgbPicture {
public:
    // Sizes below 1 become 1; all pixels black.
    explicit RgbPicture(int width = 100, int height = 100) { resize(width, height); }

    void resize(int width, int height)
    {
        m_width = std::max(width, 1);
        m_height = std::max(height, 1);
        m_pixels.assign(std::size_t(m_width) * std::size_t(m_height), 0);
    }

    int width() const { return m_width; }
    int height() const { return m_height; }

    // 0 outside the picture.
    std::uint32_t getPixel(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height)
            return 0;
        return m_pixels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)];
    }
    // Ignored outside the picture; the top byte is cleared.
    void setPixel(int x, int y, std::uint32_t v)
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height)
            return;
        m_pixels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)] = v & 0xFFFFFFu;
    }

    std::span<std::uint32_t> row(int y) { return {m_pixels.data() + std::size_t(y) * std::size_t(m_width), std::size_t(m_width)}; }
    std::span<const std::uint32_t> row(int y) const
    {
        return {m_pixels.data() + std::size_t(y) * std::size_t(m_width), std::size_t(m_width)};
    }
    std::span<std::uint32_t> data() { return m_pixels; }
    std::span<const std::uint32_t> data() const { return m_pixels; }

    // File access by the last three characters of the name (BMP, PCX, PNG, JPG, TIF), 24 bits.
    // A failed load leaves an empty 100 × 100 picture.
    bool load(const std::filesystem::path& file);
    bool save(const std::filesystem::path& file, int jpegQuality = 75, int jpegSmoothing = 0) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels;
};

} // namespace tellur::storage
