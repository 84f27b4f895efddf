// Per-format encoders and decoders behind picture_files.h. Internal to the storage subsystem.
#pragma once

#include "storage/picture_files.h"

#include <cstdio>

namespace tellur::storage::detail {

// Rows of an 8-bit picture to write, top-down, with its colour table.
struct IndexedView {
    int width = 0;
    int height = 0;
    const ColourTable* palette = nullptr;
    const std::uint8_t* bottomUpPixels = nullptr; // DIB order
    std::int32_t stride = 0;
    const std::uint8_t* row(int y) const { return bottomUpPixels + std::size_t(stride) * std::size_t(height - 1 - y); }
};

bool sizeAcceptable(std::int64_t width, std::int64_t height);
// Whether `bytes` of compressed data can hold `pixels` at all (given the codec's best ratio);
// keeps a tiny damaged file from claiming, and allocating, a huge picture.
inline bool dataCanHold(std::int64_t pixels, std::size_t bytes, std::int64_t bestRatio)
{
    return pixels <= std::int64_t(bytes) * bestRatio + 65536;
}

std::optional<DecodedPicture> decodeBmp(std::span<const std::uint8_t> bytes);
std::optional<DecodedPicture> decodePcx(std::span<const std::uint8_t> bytes);
std::optional<DecodedPicture> decodePng(std::span<const std::uint8_t> bytes);
std::optional<DecodedPicture> decodeJpg(std::span<const std::uint8_t> bytes);
std::optional<DecodedPicture> decodeTif(std::span<const std::uint8_t> bytes);

// Writers return the encoded file in memory (TIF writes to the file itself); false/empty on failure.
std::vector<std::uint8_t> encodeBmp(const IndexedView& v);
std::vector<std::uint8_t> encodeBmp(const RgbPicture& p);
std::vector<std::uint8_t> encodePcx(const IndexedView& v);
std::vector<std::uint8_t> encodePcx(const RgbPicture& p);
std::vector<std::uint8_t> encodePng(const IndexedView& v);
std::vector<std::uint8_t> encodePng(const RgbPicture& p);
std::vector<std::uint8_t> encodeJpg(const IndexedView& v, int quality, int smoothing);
std::vector<std::uint8_t> encodeJpg(const RgbPicture& p, int quality, int smoothing);
bool writeTif(const std::filesystem::path& file, const IndexedView& v, TTiffCompression c);
bool writeTif(const std::filesystem::path& file, const RgbPicture& p, TTiffCompression c);

} // namespace tellur::storage::detail
