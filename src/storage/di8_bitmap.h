// The 8-bit picture every FAX and SSTV window works on: one packed device-independent bitmap
// (40-byte BITMAPINFOHEADER, 256-entry colour table, pixel rows bottom-up with a 4-byte stride)
// in one contiguous block, so that it can be handed as-is to the AVI writer and the BMP writer.
//
// The API addresses rows top-down (row 0 is the top of the picture); storage is bottom-up.
// The object remembers the band of rows written since the last clear (storeRow/rowPointer), and
// saving writes only that band (compact, write, expand), so a picture that is still being
// received can be saved without its empty tail.
//
// Threading: no locking. The owner (a receive window or a picture window, GUI thread) may let a
// save thread read it while nothing writes rows into it.
#pragma once

#include "core/text_mask.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace tellur::storage {

inline constexpr int kDibHeaderSize = 40;
inline constexpr int kDibColourTableSize = 1024;
inline constexpr int kDibPixelOffset = kDibHeaderSize + kDibColourTableSize; // 1064
inline constexpr std::int32_t kNoWrittenRow = 2147483647;

// Row length in bytes of an 8-bit DIB: width rounded up to a multiple of 4.
constexpr std::int32_t dibStride(std::int32_t width) { return (width + 3) / 4 * 4; }

// A colour value as the station keeps it: red in the low byte (0x00BBGGRR).
constexpr std::uint32_t colourValue(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16;
}
constexpr std::uint8_t colourRed(std::uint32_t c) { return std::uint8_t(c); }
constexpr std::uint8_t colourGreen(std::uint32_t c) { return std::uint8_t(c >> 8); }
constexpr std::uint8_t colourBlue(std::uint32_t c) { return std::uint8_t(c >> 16); }

using ColourTable = std::array<std::uint32_t, 256>; // colour values, 0x00BBGGRR

// Entry i = (i, i, i).
ColourTable greyRamp();

class TDI8Bitmap {
public:
    // A new picture: grey ramp, all pixels 0, nothing written. Sizes below 1 become 1.
    TDI8Bitmap(int width = 100, int height = 100);

    // Replaces the picture by a new one of this size (as the constructor), colour table kept.
    void resize(int width, int height);

    // The packed DIB: header, colour table and pixels (the header's image size of them).
    std::span<const std::uint8_t> header() const;
    std::uint8_t* pixels() { return m_block.data() + kDibPixelOffset; }
    const std::uint8_t* pixels() const { return m_block.data() + kDibPixelOffset; }

    // Header values; while compacted, height and image size are those of the band.
    int width() const;
    int height() const;
    std::int32_t imageSize() const;
    std::int32_t stride() const { return m_stride; }
    // Full height, independent of compaction.
    int fullHeight() const { return m_fullHeight; }

    // 0 outside the picture.
    std::uint8_t getPixel(int x, int y) const;
    // Ignored outside the picture; does not widen the written band.
    void setPixel(int x, int y, std::uint8_t v);

    std::uint32_t getColour(int i) const;
    void setColour(int i, std::uint32_t colour);
    ColourTable colours() const;
    void setColours(const ColourTable& table);

    // Writable row r (0 = top); widens the written band and undoes a compaction first.
    // nullptr when r is outside the picture.
    std::uint8_t* rowPointer(int r);
    // Read-only row access, no effect on the band. nullptr outside the picture.
    const std::uint8_t* row(int r) const;
    // Copies min(width, line size) bytes into row r; rows outside the picture are not written.
    void storeRow(int r, std::span<const std::uint8_t> line);

    // All pixels 0, written band empty.
    void clear();
    int lowestWrittenRow() const { return m_lowest; }
    int highestWrittenRow() const { return m_highest; }
    bool hasWrittenRows() const { return m_lowest <= m_highest; }
    // Marks every row written (a loaded or edited picture is saved whole anyway; this is for callers
    // that want the band to say so explicitly).
    void markAllWritten();
    // Forgets the band without touching pixels (a loaded picture counts as not written).
    void resetWrittenBand();

    // Moves the written band to the start of the pixel area and shortens the header to it, so that
    // writers see only the band. No-op without written rows or when already compacted.
    void compact();
    // Reverses compact(); the rows below the band (those the band was moved over) come back as 0.
    void expand();
    bool isCompacted() const { return m_compacted; }

    // Rotates every row from firstRow to the last left by n pixels (the first n move to the end).
    void rotateRowsLeft(int firstRow, int n);
    // Turns the picture a quarter clockwise; width and height swap; the written band is reset.
    void rotate90Right();

    // Copies mask pixels (coverage >= 128 counts as set) of the mask's top-left width × height
    // area to (x, y): set pixels become value, unset ones 0 when opaque. Nothing is drawn unless
    // the area fits entirely in the picture and in the mask.
    void drawMask(const TextMask& mask, int x, int y, int width, int height, std::uint8_t value, bool opaque);

    // File access by the last three characters of the name (BMP, PCX, PNG, JPG, TIF). A failed load
    // leaves an empty 100 × 100 picture. save() writes only the written band.
    bool load(const std::filesystem::path& file);
    bool save(const std::filesystem::path& file);
    // As save(), but an existing file of that name is kept unless replace: the picture then goes
    // under a free name (see writeNewPicture), which is returned.
    std::optional<std::filesystem::path> saveAsNew(const std::filesystem::path& file, bool replace = false);

    std::uint16_t jpegQuality = 25;
    std::uint16_t jpegSmoothing = 5;

private:
    std::uint8_t* storedRow(int r) { return pixels() + std::size_t(m_stride) * std::size_t(m_fullHeight - r - 1); }
    // Where row r is now (also while compacted); nullptr when it is not held.
    const std::uint8_t* locate(int r) const;
    void writeHeader(int headerHeight);

    std::vector<std::uint8_t> m_block;
    int m_width = 0;
    int m_fullHeight = 0;
    std::int32_t m_stride = 0;
    int m_lowest = kNoWrittenRow;
    int m_highest = 0;
    bool m_compacted = false;
};

} // namespace tellur::storage
