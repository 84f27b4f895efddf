// PNG through libpng. Palette files keep palette and indices; grey files up to 8 bits become grey
// ramp indices; everything else is read as RGB (16 bits cut to 8, alpha dropped).
#include "storage/picture_codecs.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <functional>
#include <memory>

namespace tellur::storage::detail {

namespace {

struct MemoryReader {
    std::span<const std::uint8_t> bytes;
    std::size_t pos = 0;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t n)
{
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (n > r->bytes.size() - r->pos)
        png_error(png, "truncated");
    std::memcpy(out, r->bytes.data() + r->pos, n);
    r->pos += n;
}

void writeToMemory(png_structp png, png_bytep data, png_size_t n)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

void flushNothing(png_structp) {}

void quietWarning(png_structp, png_const_charp) {}

// Everything touched after setjmp lives here, on the heap, so a longjmp loses nothing.
struct ReadState {
    MemoryReader reader;
    DecodedPicture d;
    std::vector<std::uint8_t> rowBuffer;
    std::vector<png_bytep> rows;
};

bool decodeInto(ReadState& s)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, quietWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
    png_set_chunk_malloc_max(png, 8 * 1024 * 1024);
    png_set_read_fn(png, &s.reader, readFromMemory);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int colourType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    // Deflate expands at most about 1032 times, and a pixel may be a single bit.
    if (!sizeAcceptable(width, height) || !dataCanHold(std::int64_t(width) * height, s.reader.bytes.size(), 9000))
        png_error(png, "size");
    DecodedPicture& d = s.d;
    d.width = int(width);
    d.height = int(height);
    d.fileCompression = png_get_compression_type(png, info);
    d.filePlanes = 1;
    const int channels = png_get_channels(png, info);
    d.fileBits = depth * channels;

    int bytesPerPixel = 3;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp pal = nullptr;
        int n = 0;
        if (!png_get_PLTE(png, info, &pal, &n) || n < 1)
            png_error(png, "palette");
        d.indexed = true;
        d.fileColours = n;
        d.palette.fill(0);
        for (int i = 0; i < n && i < 256; ++i)
            d.palette[std::size_t(i)] = colourValue(pal[i].red, pal[i].green, pal[i].blue);
        if (depth < 8)
            png_set_packing(png);
        bytesPerPixel = 1;
    } else if ((colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)) {
        d.indexed = true;
        d.palette = greyRamp();
        d.fileColours = 1 << std::min(depth, 8);
        if (depth < 8)
            png_set_expand_gray_1_2_4_to_8(png);
        if (depth == 16)
            png_set_strip_16(png);
        if (colourType & PNG_COLOR_MASK_ALPHA)
            png_set_strip_alpha(png);
        bytesPerPixel = 1;
    } else {
        if (depth == 16)
            png_set_strip_16(png);
        if (colourType & PNG_COLOR_MASK_ALPHA)
            png_set_strip_alpha(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes != std::size_t(width) * std::size_t(bytesPerPixel))
        png_error(png, "layout");
    s.rowBuffer.assign(rowBytes * height, 0);
    s.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        s.rows[y] = s.rowBuffer.data() + rowBytes * y;
    png_read_image(png, s.rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

std::optional<DecodedPicture> decodePng(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0)
        return std::nullopt;
    auto s = std::make_unique<ReadState>();
    s->reader.bytes = bytes;
    if (!decodeInto(*s))
        return std::nullopt;
    DecodedPicture& d = s->d;
    if (d.indexed) {
        d.indices = std::move(s->rowBuffer);
    } else {
        d.rgb.resize(std::size_t(d.width) * std::size_t(d.height));
        for (std::size_t i = 0; i < d.rgb.size(); ++i)
            d.rgb[i] = rgb(s->rowBuffer[3 * i], s->rowBuffer[3 * i + 1], s->rowBuffer[3 * i + 2]);
    }
    return std::move(d);
}

namespace {

struct WriteState {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> rowBuffer;
};

// colourType PALETTE: rows are indices; RGB: rows are 3 bytes per pixel.
bool encodeRows(WriteState& s, int width, int height, int colourType, const ColourTable* palette,
    const std::function<void(int, std::uint8_t*)>& fillRow)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, quietWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &s.out, writeToMemory, flushNothing);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, colourType, PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) {
        png_color pal[256];
        for (int i = 0; i < 256; ++i) {
            pal[i].red = colourRed((*palette)[std::size_t(i)]);
            pal[i].green = colourGreen((*palette)[std::size_t(i)]);
            pal[i].blue = colourBlue((*palette)[std::size_t(i)]);
        }
        png_set_PLTE(png, info, pal, 256);
    }
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        fillRow(y, s.rowBuffer.data());
        png_write_row(png, s.rowBuffer.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

std::vector<std::uint8_t> encodePng(const IndexedView& v)
{
    auto s = std::make_unique<WriteState>();
    s->rowBuffer.resize(std::size_t(v.width));
    const bool ok = encodeRows(*s, v.width, v.height, PNG_COLOR_TYPE_PALETTE, v.palette,
        [&](int y, std::uint8_t* row) { std::memcpy(row, v.row(y), std::size_t(v.width)); });
    return ok ? std::move(s->out) : std::vector<std::uint8_t>{};
}

std::vector<std::uint8_t> encodePng(const RgbPicture& p)
{
    auto s = std::make_unique<WriteState>();
    s->rowBuffer.resize(std::size_t(p.width()) * 3);
    const bool ok = encodeRows(*s, p.width(), p.height(), PNG_COLOR_TYPE_RGB, nullptr, [&](int y, std::uint8_t* row) {
        for (std::uint32_t px : p.row(y)) {
            *row++ = rgbRed(px);
            *row++ = rgbGreen(px);
            *row++ = rgbBlue(px);
        }
    });
    return ok ? std::move(s->out) : std::vector<std::uint8_t>{};
}

} // namespace tellur::storage::detail
