// TIF through libtiff. Strip-organised 1..8-bit palette and grey files are read as indices with
// their colour map; everything else goes through libtiff's RGBA reader.
#include "storage/picture_codecs.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace tellur::storage::detail {

namespace {

// libtiff reports on stderr by default; failures here are reported by the return value.
void quietLibtiff()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

struct MemoryFile {
    std::span<const std::uint8_t> bytes;
    toff_t pos = 0;
};

tmsize_t memRead(thandle_t h, void* buf, tmsize_t n)
{
    auto* m = static_cast<MemoryFile*>(h);
    if (n <= 0 || m->pos >= m->bytes.size())
        return 0;
    const auto k = std::min<toff_t>(toff_t(n), m->bytes.size() - m->pos);
    std::memcpy(buf, m->bytes.data() + m->pos, k);
    m->pos += k;
    return tmsize_t(k);
}

tmsize_t memWrite(thandle_t, void*, tmsize_t) { return 0; }

toff_t memSeek(thandle_t h, toff_t off, int whence)
{
    auto* m = static_cast<MemoryFile*>(h);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = m->pos;
    else if (whence == SEEK_END)
        base = m->bytes.size();
    // Offsets are unsigned; a position past the end simply reads nothing.
    m->pos = base + off;
    return m->pos;
}

int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t h) { return static_cast<MemoryFile*>(h)->bytes.size(); }
int memMap(thandle_t, void**, toff_t*) { return 0; }
void memUnmap(thandle_t, void*, toff_t) {}

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

} // namespace

std::optional<DecodedPicture> decodeTif(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 8 || !((bytes[0] == 'I' && bytes[1] == 'I') || (bytes[0] == 'M' && bytes[1] == 'M')))
        return std::nullopt;
    quietLibtiff();
    MemoryFile mem{bytes, 0};
    TiffPtr tif(TIFFClientOpen("memory", "rm", &mem, memRead, memWrite, memSeek, memClose, memSize, memMap, memUnmap));
    if (!tif)
        return std::nullopt;
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 1, spp = 1, photometric = 0, compression = 1, planar = PLANARCONFIG_CONTIG;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
        return std::nullopt;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    if (!sizeAcceptable(width, height) || !dataCanHold(std::int64_t(width) * height, bytes.size(), 20000))
        return std::nullopt;

    DecodedPicture d;
    d.width = int(width);
    d.height = int(height);
    d.fileBits = bits * spp;
    d.fileCompression = compression;
    d.filePlanes = planar == PLANARCONFIG_SEPARATE ? spp : 1;
    const std::size_t w = width;

    const bool indexedLayout = !TIFFIsTiled(tif.get()) && spp == 1 &&
                               (bits == 1 || bits == 2 || bits == 4 || bits == 8) &&
                               (photometric == PHOTOMETRIC_PALETTE || photometric == PHOTOMETRIC_MINISBLACK ||
                                   photometric == PHOTOMETRIC_MINISWHITE);
    if (indexedLayout) {
        const int levels = 1 << bits;
        d.indexed = true;
        d.fileColours = levels;
        d.palette.fill(0);
        if (photometric == PHOTOMETRIC_PALETTE) {
            std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
            if (!TIFFGetField(tif.get(), TIFFTAG_COLORMAP, &r, &g, &b))
                return std::nullopt;
            // Some writers store 8-bit values in the 16-bit map.
            bool eightBit = true;
            for (int i = 0; i < levels; ++i)
                eightBit = eightBit && r[i] < 256 && g[i] < 256 && b[i] < 256;
            const int shift = eightBit ? 0 : 8;
            for (int i = 0; i < levels; ++i)
                d.palette[std::size_t(i)] =
                    colourValue(std::uint8_t(r[i] >> shift), std::uint8_t(g[i] >> shift), std::uint8_t(b[i] >> shift));
        } else {
            for (int i = 0; i < levels; ++i) {
                int v = i * 255 / (levels - 1);
                if (photometric == PHOTOMETRIC_MINISWHITE)
                    v = 255 - v;
                d.palette[std::size_t(i)] = colourValue(std::uint8_t(v), std::uint8_t(v), std::uint8_t(v));
            }
        }
        const tmsize_t scanline = TIFFScanlineSize(tif.get());
        if (scanline <= 0 || std::size_t(scanline) < (w * bits + 7) / 8)
            return std::nullopt;
        std::vector<std::uint8_t> line(static_cast<std::size_t>(scanline));
        d.indices.assign(w * height, 0);
        for (std::uint32_t y = 0; y < height; ++y) {
            if (TIFFReadScanline(tif.get(), line.data(), y, 0) < 0)
                return std::nullopt;
            std::uint8_t* out = d.indices.data() + w * y;
            for (std::size_t x = 0; x < w; ++x) {
                const std::size_t bit = x * bits;
                out[x] = std::uint8_t((line[bit / 8] >> (8 - bits - int(bit % 8))) & (levels - 1));
            }
        }
        return d;
    }

    std::vector<std::uint32_t> raster(w * height);
    if (!TIFFReadRGBAImageOriented(tif.get(), width, height, raster.data(), ORIENTATION_TOPLEFT, 0))
        return std::nullopt;
    d.rgb.resize(raster.size());
    for (std::size_t i = 0; i < raster.size(); ++i) {
        const std::uint32_t p = raster[i];
        d.rgb[i] = rgb(std::uint8_t(TIFFGetR(p)), std::uint8_t(TIFFGetG(p)), std::uint8_t(TIFFGetB(p)));
    }
    return d;
}

namespace {

// Writes rows of samples; fillRow fills one row of TIFFScanlineSize bytes.
template <typename Fill>
bool writeRows(const std::filesystem::path& file, int width, int height, std::uint16_t bits, std::uint16_t spp,
    std::uint16_t photometric, TTiffCompression c, const ColourTable* palette, Fill fillRow)
{
    quietLibtiff();
    TiffPtr tif(TIFFOpen(file.c_str(), "w"));
    if (!tif)
        return false;
    TIFF* t = tif.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, std::uint32_t(width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, std::uint32_t(height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_COMPRESSION, std::uint16_t(tiffCompressionCode(c)));
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 72.0f);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, 72.0f);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    std::vector<std::uint16_t> map(768);
    if (palette) {
        for (std::size_t i = 0; i < 256; ++i) {
            map[i] = std::uint16_t(colourRed((*palette)[i]) * 257);
            map[256 + i] = std::uint16_t(colourGreen((*palette)[i]) * 257);
            map[512 + i] = std::uint16_t(colourBlue((*palette)[i]) * 257);
        }
        TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
    }
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
    const tmsize_t scanline = TIFFScanlineSize(t);
    if (scanline <= 0)
        return false;
    std::vector<std::uint8_t> line(std::size_t(scanline), 0);
    for (int y = 0; y < height; ++y) {
        std::fill(line.begin(), line.end(), 0);
        fillRow(y, line.data());
        if (TIFFWriteScanline(t, line.data(), std::uint32_t(y), 0) < 0)
            return false;
    }
    if (!TIFFWriteDirectory(t))
        return false;
    return true;
}

// CCITT holds black and white only: luminance at mid grey and above is white.
template <typename Luma>
bool writeBilevel(const std::filesystem::path& file, int width, int height, Luma luma)
{
    return writeRows(file, width, height, 1, 1, PHOTOMETRIC_MINISBLACK, TTiffCompression::sCCITT, nullptr,
        [&](int y, std::uint8_t* out) {
            for (int x = 0; x < width; ++x)
                if (luma(x, y) >= 128)
                    out[x / 8] |= std::uint8_t(0x80 >> (x % 8));
        });
}

int luminance(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return (r * 30 + g * 59 + b * 11) / 100; }

bool finish(const std::filesystem::path& file, bool ok)
{
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
    }
    return ok;
}

} // namespace

bool writeTif(const std::filesystem::path& file, const IndexedView& v, TTiffCompression c)
{
    if (c == TTiffCompression::sCCITT) {
        return finish(file, writeBilevel(file, v.width, v.height, [&](int x, int y) {
            const std::uint32_t col = (*v.palette)[v.row(y)[x]];
            return luminance(colourRed(col), colourGreen(col), colourBlue(col));
        }));
    }
    return finish(file, writeRows(file, v.width, v.height, 8, 1, PHOTOMETRIC_PALETTE, c, v.palette,
                            [&](int y, std::uint8_t* out) { std::memcpy(out, v.row(y), std::size_t(v.width)); }));
}

bool writeTif(const std::filesystem::path& file, const RgbPicture& p, TTiffCompression c)
{
    if (c == TTiffCompression::sCCITT) {
        return finish(file, writeBilevel(file, p.width(), p.height(), [&](int x, int y) {
            const std::uint32_t px = p.getPixel(x, y);
            return luminance(rgbRed(px), rgbGreen(px), rgbBlue(px));
        }));
    }
    return finish(file, writeRows(file, p.width(), p.height(), 8, 3, PHOTOMETRIC_RGB, c, nullptr,
                            [&](int y, std::uint8_t* out) {
                                for (std::uint32_t px : p.row(y)) {
                                    *out++ = rgbRed(px);
                                    *out++ = rgbGreen(px);
                                    *out++ = rgbBlue(px);
                                }
                            }));
}

} // namespace tellur::storage::detail
