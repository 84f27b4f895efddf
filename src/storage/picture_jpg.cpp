// JPG through libjpeg-turbo. Grey files read as grey ramp indices, colour files as RGB. A file
// the library has to patch up (truncated or corrupt data) counts as unreadable rather than a
// half-grey picture.
#include "storage/picture_codecs.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace tellur::storage::detail {

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void silent(j_common_ptr) {}

struct ReadState {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    DecodedPicture d;
    std::vector<std::uint8_t> buffer;
};

bool decodeInto(ReadState& s, std::span<const std::uint8_t> bytes)
{
    s.cinfo.err = jpeg_std_error(&s.err.pub);
    s.err.pub.error_exit = errorExit;
    s.err.pub.output_message = silent;
    if (setjmp(s.err.jump)) {
        jpeg_destroy_decompress(&s.cinfo);
        return false;
    }
    jpeg_create_decompress(&s.cinfo);
    s.cinfo.mem->max_memory_to_use = 512L * 1024 * 1024;
    jpeg_mem_src(&s.cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&s.cinfo, TRUE) != JPEG_HEADER_OK)
        errorExit(reinterpret_cast<j_common_ptr>(&s.cinfo));
    if (!sizeAcceptable(s.cinfo.image_width, s.cinfo.image_height) ||
        !dataCanHold(std::int64_t(s.cinfo.image_width) * s.cinfo.image_height, bytes.size(), 20000))
        errorExit(reinterpret_cast<j_common_ptr>(&s.cinfo));
    const bool grey = s.cinfo.num_components == 1;
    s.cinfo.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    DecodedPicture& d = s.d;
    d.width = int(s.cinfo.image_width);
    d.height = int(s.cinfo.image_height);
    d.fileBits = 8 * s.cinfo.num_components;
    d.filePlanes = 1;
    d.fileCompression = s.cinfo.progressive_mode ? 2 : 1;
    jpeg_start_decompress(&s.cinfo);
    const std::size_t rowBytes = std::size_t(d.width) * std::size_t(s.cinfo.output_components);
    s.buffer.assign(rowBytes * std::size_t(d.height), 0);
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        JSAMPROW row = s.buffer.data() + rowBytes * s.cinfo.output_scanline;
        if (jpeg_read_scanlines(&s.cinfo, &row, 1) != 1)
            errorExit(reinterpret_cast<j_common_ptr>(&s.cinfo));
    }
    jpeg_finish_decompress(&s.cinfo);
    const bool clean = s.err.pub.num_warnings == 0;
    jpeg_destroy_decompress(&s.cinfo);
    return clean;
}

struct WriteState {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    std::vector<std::uint8_t> row;
};

// fillRow gets the row number and a buffer of width × components bytes.
template <typename Fill>
std::vector<std::uint8_t> encodeRows(int width, int height, bool grey, int quality, int smoothing, Fill fillRow)
{
    auto s = std::make_unique<WriteState>();
    s->cinfo.err = jpeg_std_error(&s->err.pub);
    s->err.pub.error_exit = errorExit;
    s->err.pub.output_message = silent;
    if (setjmp(s->err.jump)) {
        jpeg_destroy_compress(&s->cinfo);
        std::free(s->out);
        return {};
    }
    jpeg_create_compress(&s->cinfo);
    jpeg_mem_dest(&s->cinfo, &s->out, &s->outSize);
    s->cinfo.image_width = JDIMENSION(width);
    s->cinfo.image_height = JDIMENSION(height);
    s->cinfo.input_components = grey ? 1 : 3;
    s->cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&s->cinfo);
    jpeg_set_quality(&s->cinfo, std::clamp(quality, 1, 100), TRUE);
    s->cinfo.smoothing_factor = std::clamp(smoothing, 0, 100);
    jpeg_start_compress(&s->cinfo, TRUE);
    s->row.resize(std::size_t(width) * (grey ? 1 : 3));
    while (s->cinfo.next_scanline < s->cinfo.image_height) {
        fillRow(int(s->cinfo.next_scanline), s->row.data());
        JSAMPROW r = s->row.data();
        jpeg_write_scanlines(&s->cinfo, &r, 1);
    }
    jpeg_finish_compress(&s->cinfo);
    std::vector<std::uint8_t> result(s->out, s->out + s->outSize);
    jpeg_destroy_compress(&s->cinfo);
    std::free(s->out);
    return result;
}

} // namespace

std::optional<DecodedPicture> decodeJpg(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return std::nullopt;
    auto s = std::make_unique<ReadState>();
    if (!decodeInto(*s, bytes))
        return std::nullopt;
    DecodedPicture& d = s->d;
    if (d.fileBits == 8) {
        d.indexed = true;
        d.palette = greyRamp();
        d.fileColours = 256;
        d.indices = std::move(s->buffer);
    } else {
        d.rgb.resize(std::size_t(d.width) * std::size_t(d.height));
        for (std::size_t i = 0; i < d.rgb.size(); ++i)
            d.rgb[i] = rgb(s->buffer[3 * i], s->buffer[3 * i + 1], s->buffer[3 * i + 2]);
    }
    return std::move(d);
}

std::vector<std::uint8_t> encodeJpg(const IndexedView& v, int quality, int smoothing)
{
    const ColourTable& pal = *v.palette;
    const bool grey = std::all_of(pal.begin(), pal.end(),
        [](std::uint32_t c) { return colourRed(c) == colourGreen(c) && colourGreen(c) == colourBlue(c); });
    return encodeRows(v.width, v.height, grey, quality, smoothing, [&](int y, std::uint8_t* out) {
        const std::uint8_t* src = v.row(y);
        for (int x = 0; x < v.width; ++x) {
            const std::uint32_t c = pal[src[x]];
            if (grey) {
                *out++ = colourRed(c);
            } else {
                *out++ = colourRed(c);
                *out++ = colourGreen(c);
                *out++ = colourBlue(c);
            }
        }
    });
}

std::vector<std::uint8_t> encodeJpg(const RgbPicture& p, int quality, int smoothing)
{
    return encodeRows(p.width(), p.height(), false, quality, smoothing, [&](int y, std::uint8_t* out) {
        for (std::uint32_t px : p.row(y)) {
            *out++ = rgbRed(px);
            *out++ = rgbGreen(px);
            *out++ = rgbBlue(px);
        }
    });
}

} // namespace tellur::storage::detail
