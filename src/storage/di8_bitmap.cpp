#include "storage/di8_bitmap.h"

#include "core/le_bytes.h"

#include <algorithm>
#include <cstring>

namespace tellur::storage {

ColourTable greyRamp()
{
    ColourTable t{};
    for (int i = 0; i < 256; ++i)
        t[std::size_t(i)] = colourValue(std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
    return t;
}

TDI8Bitmap::TDI8Bitmap(int width, int height)
{
    m_block.assign(kDibPixelOffset, 0);
    setColours(greyRamp());
    resize(width, height);
}

void TDI8Bitmap::resize(int width, int height)
{
    m_width = std::max(width, 1);
    m_fullHeight = std::max(height, 1);
    m_stride = dibStride(m_width);
    m_block.resize(kDibPixelOffset);
    m_block.resize(kDibPixelOffset + std::size_t(m_stride) * std::size_t(m_fullHeight), 0);
    m_lowest = kNoWrittenRow;
    m_highest = 0;
    m_compacted = false;
    writeHeader(m_fullHeight);
}

void TDI8Bitmap::writeHeader(int headerHeight)
{
    std::span<std::uint8_t> h(m_block.data(), kDibHeaderSize);
    writeI32(h, 0, kDibHeaderSize);
    writeI32(h, 4, m_width);
    writeI32(h, 8, headerHeight);
    writeU16(h, 12, 1);  // planes
    writeU16(h, 14, 8);  // bits
    writeI32(h, 16, 0);  // BI_RGB
    writeI32(h, 20, m_stride * headerHeight);
    writeI32(h, 24, 0);
    writeI32(h, 28, 0);
    writeI32(h, 32, 256); // colours used
    writeI32(h, 36, 0);
}

std::span<const std::uint8_t> TDI8Bitmap::header() const
{
    return {m_block.data(), std::size_t(kDibPixelOffset) + std::size_t(imageSize())};
}

int TDI8Bitmap::width() const { return m_width; }
int TDI8Bitmap::height() const { return readI32(m_block, 8); }
std::int32_t TDI8Bitmap::imageSize() const { return readI32(m_block, 20); }

const std::uint8_t* TDI8Bitmap::locate(int r) const
{
    if (r < 0 || r >= m_fullHeight)
        return nullptr;
    if (!m_compacted)
        return pixels() + std::size_t(m_stride) * std::size_t(m_fullHeight - r - 1);
    if (r < m_lowest || r > m_highest)
        return nullptr;
    return pixels() + std::size_t(m_stride) * std::size_t(m_highest - r);
}

std::uint8_t TDI8Bitmap::getPixel(int x, int y) const
{
    if (x < 0 || x >= m_width)
        return 0;
    const std::uint8_t* p = locate(y);
    return p ? p[x] : 0;
}

void TDI8Bitmap::setPixel(int x, int y, std::uint8_t v)
{
    if (x < 0 || x >= m_width || y < 0 || y >= m_fullHeight)
        return;
    expand();
    storedRow(y)[x] = v;
}

std::uint32_t TDI8Bitmap::getColour(int i) const
{
    if (i < 0 || i > 255)
        return 0;
    const std::uint8_t* q = m_block.data() + kDibHeaderSize + 4 * i; // RGBQUAD: blue, green, red, 0
    return colourValue(q[2], q[1], q[0]);
}

void TDI8Bitmap::setColour(int i, std::uint32_t colour)
{
    if (i < 0 || i > 255)
        return;
    std::uint8_t* q = m_block.data() + kDibHeaderSize + 4 * i;
    q[0] = colourBlue(colour);
    q[1] = colourGreen(colour);
    q[2] = colourRed(colour);
    q[3] = 0;
}

ColourTable TDI8Bitmap::colours() const
{
    ColourTable t{};
    for (int i = 0; i < 256; ++i)
        t[std::size_t(i)] = getColour(i);
    return t;
}

void TDI8Bitmap::setColours(const ColourTable& table)
{
    for (int i = 0; i < 256; ++i)
        setColour(i, table[std::size_t(i)]);
}

std::uint8_t* TDI8Bitmap::rowPointer(int r)
{
    if (r < 0 || r >= m_fullHeight)
        return nullptr;
    expand();
    m_lowest = std::min(m_lowest, r);
    m_highest = std::max(m_highest, r);
    return storedRow(r);
}

const std::uint8_t* TDI8Bitmap::row(int r) const { return locate(r); }

void TDI8Bitmap::storeRow(int r, std::span<const std::uint8_t> line)
{
    std::uint8_t* p = rowPointer(r);
    if (!p)
        return;
    std::memcpy(p, line.data(), std::min(line.size(), std::size_t(m_width)));
}

void TDI8Bitmap::clear()
{
    m_compacted = false;
    writeHeader(m_fullHeight);
    std::fill(m_block.begin() + kDibPixelOffset, m_block.end(), 0);
    m_lowest = kNoWrittenRow;
    m_highest = 0;
}

void TDI8Bitmap::markAllWritten()
{
    expand();
    m_lowest = 0;
    m_highest = m_fullHeight - 1;
}

void TDI8Bitmap::resetWrittenBand()
{
    expand();
    m_lowest = kNoWrittenRow;
    m_highest = 0;
}

void TDI8Bitmap::compact()
{
    if (m_compacted || !hasWrittenRows())
        return;
    const std::size_t start = std::size_t(m_stride) * std::size_t(m_fullHeight - 1 - m_highest);
    const int rows = m_highest - m_lowest + 1;
    std::memmove(pixels(), pixels() + start, std::size_t(m_stride) * std::size_t(rows));
    m_compacted = true;
    writeHeader(rows);
}

void TDI8Bitmap::expand()
{
    if (!m_compacted)
        return;
    const std::size_t start = std::size_t(m_stride) * std::size_t(m_fullHeight - 1 - m_highest);
    const int rows = m_highest - m_lowest + 1;
    std::memmove(pixels() + start, pixels(), std::size_t(m_stride) * std::size_t(rows));
    std::memset(pixels(), 0, start);
    m_compacted = false;
    writeHeader(m_fullHeight);
}

void TDI8Bitmap::rotateRowsLeft(int firstRow, int n)
{
    if (m_width <= 0)
        return;
    expand();
    n %= m_width;
    if (n < 0)
        n += m_width;
    if (n == 0)
        return;
    for (int r = std::max(firstRow, 0); r < m_fullHeight; ++r) {
        std::uint8_t* p = storedRow(r);
        std::rotate(p, p + n, p + m_width);
    }
}

void TDI8Bitmap::rotate90Right()
{
    expand();
    const int oldW = m_width;
    const int oldH = m_fullHeight;
    std::vector<std::uint8_t> old(m_block.begin() + kDibPixelOffset, m_block.end());
    const std::int32_t oldStride = m_stride;
    resize(oldH, oldW);
    // Clockwise: the left column, read bottom to top, becomes the top row.
    for (int y = 0; y < m_fullHeight; ++y) {
        std::uint8_t* dst = storedRow(y);
        const int srcX = y;
        for (int x = 0; x < m_width; ++x) {
            const int srcY = oldH - 1 - x;
            dst[x] = old[std::size_t(oldStride) * std::size_t(oldH - srcY - 1) + std::size_t(srcX)];
        }
    }
}

void TDI8Bitmap::drawMask(const TextMask& mask, int x, int y, int width, int height, std::uint8_t value, bool opaque)
{
    if (width <= 0 || height <= 0 || x < 0 || y < 0)
        return;
    if (width > mask.width || height > mask.height || std::size_t(mask.width) * std::size_t(mask.height) > mask.coverage.size())
        return;
    if (x + width > m_width || y + height > m_fullHeight)
        return;
    expand();
    for (int j = 0; j < height; ++j) {
        std::uint8_t* p = storedRow(y + j) + x;
        for (int i = 0; i < width; ++i) {
            if (mask.at(i, j) >= 128)
                p[i] = value;
            else if (opaque)
                p[i] = 0;
        }
    }
}

} // namespace tellur::storage
