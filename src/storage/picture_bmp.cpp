// BMP: 1/4/8-bit palette pictures (plain, RLE8, RLE4), 16/24/32-bit true colour (plain and bit
// fields), top-down and bottom-up; core (12-byte) and Windows (40+) info headers.
#include "core/le_bytes.h"
#include "storage/picture_codecs.h"

#include <bit>

namespace tellur::storage::detail {

namespace {

std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t off) { return std::uint32_t(readI32(b, off)); }

// Spreads a bit-field mask's value to 0..255.
struct Field {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    explicit Field(std::uint32_t m) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            bits = std::popcount(m);
        }
    }
    std::uint8_t operator()(std::uint32_t v) const
    {
        if (!mask)
            return 0;
        const std::uint32_t x = (v & mask) >> shift;
        if (bits >= 8)
            return std::uint8_t(x >> (bits - 8));
        const std::uint32_t maxv = (1u << bits) - 1;
        return std::uint8_t((x * 255 + maxv / 2) / maxv);
    }
};

bool decodeRle(std::span<const std::uint8_t> src, int bits, int width, int height, std::vector<std::uint8_t>& idx,
    bool topDown)
{
    // idx is top-down; RLE rows run bottom-up unless the picture is top-down.
    int x = 0;
    int y = 0; // rows counted in file order
    std::size_t p = 0;
    auto put = [&](std::uint8_t v) {
        if (x < width && y < height) {
            const int row = topDown ? y : height - 1 - y;
            idx[std::size_t(row) * std::size_t(width) + std::size_t(x)] = v;
        }
        ++x;
    };
    while (p + 1 < src.size()) {
        const std::uint8_t n = src[p];
        const std::uint8_t c = src[p + 1];
        p += 2;
        if (n > 0) {
            for (int i = 0; i < n; ++i)
                put(bits == 8 ? c : std::uint8_t(i % 2 == 0 ? c >> 4 : c & 15));
            continue;
        }
        if (c == 0) { // end of line
            x = 0;
            ++y;
        } else if (c == 1) { // end of picture
            return true;
        } else if (c == 2) { // delta
            if (p + 1 >= src.size())
                return false;
            x += src[p];
            y += src[p + 1];
            p += 2;
        } else { // absolute run of c pixels
            const std::size_t bytes = bits == 8 ? c : (std::size_t(c) + 1) / 2;
            const std::size_t padded = (bytes + 1) / 2 * 2;
            if (p + bytes > src.size())
                return false;
            for (int i = 0; i < c; ++i) {
                if (bits == 8)
                    put(src[p + std::size_t(i)]);
                else {
                    const std::uint8_t b = src[p + std::size_t(i / 2)];
                    put(std::uint8_t(i % 2 == 0 ? b >> 4 : b & 15));
                }
            }
            p += std::min(padded, src.size() - p);
        }
        if (y > height)
            return true;
    }
    // A missing end marker: keep what was decoded.
    return y > 0 || x > 0;
}

} // namespace

std::optional<DecodedPicture> decodeBmp(std::span<const std::uint8_t> b)
{
    if (b.size() < 26 || b[0] != 'B' || b[1] != 'M')
        return std::nullopt;
    const std::uint32_t offBits = u32(b, 10);
    const std::uint32_t infoSize = u32(b, 14);
    DecodedPicture d;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bits = 0;
    std::uint32_t compression = 0;
    std::uint32_t clrUsed = 0;
    int paletteEntrySize = 4;
    if (infoSize == 12) {
        width = readU16(b, 18);
        height = std::int16_t(readU16(b, 20));
        d.filePlanes = readU16(b, 22);
        bits = readU16(b, 24);
        paletteEntrySize = 3;
    } else if (infoSize >= 40 && infoSize <= 256) {
        if (b.size() < 14 + std::size_t(infoSize))
            return std::nullopt;
        width = readI32(b, 18);
        height = readI32(b, 22);
        d.filePlanes = readU16(b, 26);
        bits = readU16(b, 28);
        compression = u32(b, 30);
        clrUsed = u32(b, 46);
    } else {
        return std::nullopt;
    }
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (!sizeAcceptable(width, height))
        return std::nullopt;

    std::uint32_t masks[3] = {0, 0, 0};
    if (compression == 3 || compression == 6) { // bit fields
        if (bits != 16 && bits != 32)
            return std::nullopt;
        const std::size_t at = infoSize >= 52 ? 54 : 14 + std::size_t(infoSize);
        if (b.size() < at + 12)
            return std::nullopt;
        for (int i = 0; i < 3; ++i)
            masks[i] = u32(b, at + 4 * std::size_t(i));
    } else if (bits == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else if (bits == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }
    const bool rle = (compression == 1 && bits == 8) || (compression == 2 && bits == 4);
    if (!rle && compression != 0 && compression != 3 && compression != 6)
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return std::nullopt;

    d.width = int(width);
    d.height = int(height);
    d.fileBits = bits;
    d.fileCompression = int(compression);
    if (offBits > b.size())
        return std::nullopt;

    if (bits <= 8) {
        std::size_t entries = clrUsed ? clrUsed : (1u << bits);
        entries = std::min<std::size_t>(entries, 256);
        const std::size_t palAt = 14 + std::size_t(infoSize);
        if (palAt + entries * std::size_t(paletteEntrySize) > b.size())
            return std::nullopt;
        d.indexed = true;
        d.fileColours = int(entries);
        d.palette.fill(0);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint8_t* q = b.data() + palAt + i * std::size_t(paletteEntrySize);
            d.palette[i] = colourValue(q[2], q[1], q[0]);
        }
        d.indices.assign(std::size_t(width) * std::size_t(height), 0);
        if (rle) {
            if (!decodeRle(b.subspan(offBits), bits, d.width, d.height, d.indices, topDown))
                return std::nullopt;
            return d;
        }
    }

    const std::size_t stride = (std::size_t(width) * std::size_t(bits) + 31) / 32 * 4;
    if (std::size_t(offBits) + stride * std::size_t(height) > b.size())
        return std::nullopt;
    if (bits > 8)
        d.rgb.assign(std::size_t(width) * std::size_t(height), 0);
    const Field fr(masks[0]), fg(masks[1]), fb(masks[2]);
    for (int fy = 0; fy < d.height; ++fy) {
        const std::uint8_t* src = b.data() + offBits + stride * std::size_t(fy);
        const std::size_t y = std::size_t(topDown ? fy : d.height - 1 - fy);
        const std::size_t w = std::size_t(width);
        for (std::size_t x = 0; x < w; ++x) {
            switch (bits) {
            case 1: d.indices[y * w + x] = (src[x / 8] >> (7 - x % 8)) & 1; break;
            case 4: d.indices[y * w + x] = x % 2 == 0 ? src[x / 2] >> 4 : src[x / 2] & 15; break;
            case 8: d.indices[y * w + x] = src[x]; break;
            case 16: {
                const std::uint32_t v = std::uint32_t(src[2 * x] | src[2 * x + 1] << 8);
                d.rgb[y * w + x] = rgb(fr(v), fg(v), fb(v));
                break;
            }
            case 24: d.rgb[y * w + x] = rgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
            case 32: {
                const std::uint32_t v = std::uint32_t(src[4 * x]) | std::uint32_t(src[4 * x + 1]) << 8 |
                                        std::uint32_t(src[4 * x + 2]) << 16 | std::uint32_t(src[4 * x + 3]) << 24;
                d.rgb[y * w + x] = rgb(fr(v), fg(v), fb(v));
                break;
            }
            }
        }
    }
    return d;
}

namespace {

std::vector<std::uint8_t> bmpHeaders(int width, int height, int bits, std::size_t imageSize, int colours)
{
    const std::size_t off = 14 + 40 + std::size_t(colours) * 4;
    std::vector<std::uint8_t> f(off + imageSize, 0);
    f[0] = 'B';
    f[1] = 'M';
    writeI32(f, 2, std::int32_t(f.size()));
    writeI32(f, 10, std::int32_t(off));
    writeI32(f, 14, 40);
    writeI32(f, 18, width);
    writeI32(f, 22, height);
    writeU16(f, 26, 1);
    writeU16(f, 28, std::uint16_t(bits));
    writeI32(f, 34, std::int32_t(imageSize));
    writeI32(f, 38, 2835); // 72 dpi
    writeI32(f, 42, 2835);
    writeI32(f, 46, colours);
    return f;
}

} // namespace

std::vector<std::uint8_t> encodeBmp(const IndexedView& v)
{
    const std::size_t imageSize = std::size_t(v.stride) * std::size_t(v.height);
    auto f = bmpHeaders(v.width, v.height, 8, imageSize, 256);
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t c = (*v.palette)[std::size_t(i)];
        f[54 + 4 * std::size_t(i)] = colourBlue(c);
        f[55 + 4 * std::size_t(i)] = colourGreen(c);
        f[56 + 4 * std::size_t(i)] = colourRed(c);
    }
    std::copy_n(v.bottomUpPixels, imageSize, f.begin() + 54 + 1024);
    return f;
}

std::vector<std::uint8_t> encodeBmp(const RgbPicture& p)
{
    const std::size_t stride = (std::size_t(p.width()) * 3 + 3) / 4 * 4;
    auto f = bmpHeaders(p.width(), p.height(), 24, stride * std::size_t(p.height()), 0);
    for (int y = 0; y < p.height(); ++y) {
        std::uint8_t* dst = f.data() + 54 + stride * std::size_t(p.height() - 1 - y);
        for (std::uint32_t px : p.row(y)) {
            *dst++ = rgbBlue(px);
            *dst++ = rgbGreen(px);
            *dst++ = rgbRed(px);
        }
    }
    return f;
}

} // namespace tellur::storage::detail
