// PCX: 8-bit with the 256-colour palette at the end, 24-bit as three planes, and the old 1-bit,
// 4-plane (16 colour) and 2/4-bit variants with the header palette. Always run-length encoded.
#include "core/le_bytes.h"
#include "storage/picture_codecs.h"

namespace tellur::storage::detail {

namespace {

constexpr std::size_t kHeader = 128;

void appendRle(std::vector<std::uint8_t>& out, const std::uint8_t* line, std::size_t n)
{
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t v = line[i];
        std::size_t run = 1;
        while (i + run < n && run < 63 && line[i + run] == v)
            ++run;
        if (run > 1 || v >= 0xC0)
            out.push_back(std::uint8_t(0xC0 | run));
        out.push_back(v);
        i += run;
    }
}

std::vector<std::uint8_t> pcxHeader(int width, int height, int planes, std::size_t bytesPerLine)
{
    std::vector<std::uint8_t> f(kHeader, 0);
    f[0] = 0x0A;
    f[1] = 5;
    f[2] = 1;
    f[3] = 8;
    writeU16(f, 8, std::uint16_t(width - 1));
    writeU16(f, 10, std::uint16_t(height - 1));
    writeU16(f, 12, 72);
    writeU16(f, 14, 72);
    f[65] = std::uint8_t(planes);
    writeU16(f, 66, std::uint16_t(bytesPerLine));
    writeU16(f, 68, 1);
    return f;
}

} // namespace

std::optional<DecodedPicture> decodePcx(std::span<const std::uint8_t> b)
{
    if (b.size() < kHeader || b[0] != 0x0A || b[2] > 1)
        return std::nullopt;
    const int bits = b[3];
    const int planes = b[65];
    const std::int64_t width = std::int64_t(readU16(b, 8)) - readU16(b, 4) + 1;
    const std::int64_t height = std::int64_t(readU16(b, 10)) - readU16(b, 6) + 1;
    const std::size_t bytesPerLine = readU16(b, 66);
    if (!sizeAcceptable(width, height))
        return std::nullopt;
    const bool supported = (bits == 8 && (planes == 1 || planes == 3 || planes == 4)) ||
                           (bits == 1 && planes >= 1 && planes <= 4) || ((bits == 2 || bits == 4) && planes == 1);
    if (!supported)
        return std::nullopt;
    const std::size_t needed = (std::size_t(width) * std::size_t(bits) + 7) / 8;
    if (bytesPerLine < needed || bytesPerLine > needed + 64)
        return std::nullopt;
    // A run byte pair expands to at most 63 bytes.
    if (!dataCanHold(std::int64_t(bytesPerLine) * planes * height, b.size() - kHeader, 32))
        return std::nullopt;

    DecodedPicture d;
    d.width = int(width);
    d.height = int(height);
    d.fileBits = bits * planes;
    d.filePlanes = planes;
    d.fileCompression = b[2];

    // The whole scan data, run-length decoded; runs may cross line ends.
    const std::size_t total = bytesPerLine * std::size_t(planes) * std::size_t(height);
    std::vector<std::uint8_t> data(total, 0);
    std::size_t p = kHeader;
    std::size_t o = 0;
    const std::size_t end = b.size();
    while (o < total) {
        if (p >= end)
            return std::nullopt;
        std::uint8_t c = b[p++];
        if (b[2] == 1 && (c & 0xC0) == 0xC0) {
            const std::size_t n = c & 0x3F;
            if (p >= end)
                return std::nullopt;
            const std::uint8_t v = b[p++];
            for (std::size_t i = 0; i < n && o < total; ++i)
                data[o++] = v;
        } else {
            data[o++] = c;
        }
    }

    const std::size_t w = std::size_t(width);
    const std::size_t lineBytes = bytesPerLine * std::size_t(planes);
    if (bits == 8 && planes >= 3) {
        d.rgb.resize(w * std::size_t(height));
        for (std::size_t y = 0; y < std::size_t(height); ++y) {
            const std::uint8_t* line = data.data() + y * lineBytes;
            for (std::size_t x = 0; x < w; ++x)
                d.rgb[y * w + x] = rgb(line[x], line[bytesPerLine + x], line[2 * bytesPerLine + x]);
        }
        return d;
    }

    d.indexed = true;
    d.indices.resize(w * std::size_t(height));
    d.palette.fill(0);
    if (bits == 8) {
        // 0x0C then 768 bytes at the very end; without it the picture is grey.
        if (b.size() >= kHeader + 769 && b[b.size() - 769] == 0x0C) {
            const std::uint8_t* q = b.data() + b.size() - 768;
            for (int i = 0; i < 256; ++i)
                d.palette[std::size_t(i)] = colourValue(q[3 * i], q[3 * i + 1], q[3 * i + 2]);
        } else {
            d.palette = greyRamp();
        }
        d.fileColours = 256;
        for (std::size_t y = 0; y < std::size_t(height); ++y)
            std::copy_n(data.data() + y * lineBytes, w, d.indices.data() + y * w);
        return d;
    }
    const int colours = 1 << (bits * planes);
    d.fileColours = colours;
    if (colours == 2) {
        d.palette[0] = 0;
        d.palette[1] = 0xFFFFFF;
    } else {
        for (int i = 0; i < colours && i < 16; ++i)
            d.palette[std::size_t(i)] = colourValue(b[16 + 3 * i], b[17 + 3 * i], b[18 + 3 * i]);
    }
    for (std::size_t y = 0; y < std::size_t(height); ++y) {
        const std::uint8_t* line = data.data() + y * lineBytes;
        for (std::size_t x = 0; x < w; ++x) {
            int v = 0;
            if (bits == 1) {
                for (int pl = 0; pl < planes; ++pl)
                    v |= ((line[std::size_t(pl) * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << pl;
            } else {
                const std::size_t bit = x * std::size_t(bits);
                v = (line[bit / 8] >> (8 - bits - int(bit % 8))) & ((1 << bits) - 1);
            }
            d.indices[y * w + x] = std::uint8_t(v);
        }
    }
    return d;
}

std::vector<std::uint8_t> encodePcx(const IndexedView& v)
{
    const std::size_t bpl = (std::size_t(v.width) + 1) / 2 * 2;
    auto f = pcxHeader(v.width, v.height, 1, bpl);
    f[68] = 1;
    std::vector<std::uint8_t> line(bpl, 0);
    for (int y = 0; y < v.height; ++y) {
        std::copy_n(v.row(y), std::size_t(v.width), line.begin());
        appendRle(f, line.data(), bpl);
    }
    f.push_back(0x0C);
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t c = (*v.palette)[std::size_t(i)];
        f.push_back(colourRed(c));
        f.push_back(colourGreen(c));
        f.push_back(colourBlue(c));
    }
    return f;
}

std::vector<std::uint8_t> encodePcx(const RgbPicture& p)
{
    const std::size_t bpl = (std::size_t(p.width()) + 1) / 2 * 2;
    auto f = pcxHeader(p.width(), p.height(), 3, bpl);
    std::vector<std::uint8_t> line(bpl, 0);
    for (int y = 0; y < p.height(); ++y) {
        for (int plane = 0; plane < 3; ++plane) {
            const auto row = p.row(y);
            for (std::size_t x = 0; x < row.size(); ++x)
                line[x] = std::uint8_t(row[x] >> (16 - 8 * plane));
            appendRle(f, line.data(), bpl);
        }
    }
    return f;
}

} // namespace tellur::storage::detail
