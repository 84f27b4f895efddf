#include "storage/picture_files.h"

#include "core/bounded_read.h"
#include "core/durable_file.h"

#include "storage/picture_codecs.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <unordered_map>

namespace tellur::storage {

namespace detail {

bool sizeAcceptable(std::int64_t width, std::int64_t height)
{
    return width >= 1 && height >= 1 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

} // namespace detail

namespace {

std::string upperTail(const std::filesystem::path& file, std::size_t n)
{
    std::string s = file.filename().string();
    if (s.size() > n)
        s = s.substr(s.size() - n);
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& file)
{
    if (pictureFormatOf(file) == PictureFormat::Unknown)
        return std::nullopt; // no reader would take it: nothing to read
    return readFileAtMost<std::vector<std::uint8_t>>(file, kMaxPictureFileBytes);
}

bool writeWholeFile(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes)
{
    if (bytes.empty())
        return false;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        return false;
    }
    return true;
}

std::uint8_t nearestLevel(std::uint8_t v, int levels)
{
    return std::uint8_t((v * (levels - 1) + 127) / 255);
}

detail::IndexedView viewOf(const TDI8Bitmap& p, const ColourTable& table)
{
    detail::IndexedView v;
    v.width = p.width();
    v.height = p.height();
    v.palette = &table;
    v.bottomUpPixels = p.pixels();
    v.stride = p.stride();
    return v;
}

} // namespace

PictureFormat pictureFormatOf(const std::filesystem::path& file)
{
    const std::string ext = upperTail(file, 3);
    if (ext == "BMP")
        return PictureFormat::Bmp;
    if (ext == "PCX")
        return PictureFormat::Pcx;
    if (ext == "PNG")
        return PictureFormat::Png;
    if (ext == "JPG" || upperTail(file, 5) == ".JPEG")
        return PictureFormat::Jpg;
    if (ext == "TIF" || upperTail(file, 5) == ".TIFF")
        return PictureFormat::Tif;
    return PictureFormat::Unknown;
}

std::string_view pictureFormatText(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Bmp: return "BMP";
    case PictureFormat::Pcx: return "PCX";
    case PictureFormat::Png: return "PNG";
    case PictureFormat::Jpg: return "JPG";
    case PictureFormat::Tif: return "TIF";
    case PictureFormat::Unknown: break;
    }
    return "";
}

static std::string lowerText(PictureFormat format)
{
    std::string s(pictureFormatText(format));
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string readFailureText(PictureFormat format) { return "Reading " + lowerText(format) + " file failed"; }
std::string writeFailureText(PictureFormat format) { return "Writing " + lowerText(format) + " file failed"; }

int tiffCompressionCode(TTiffCompression c)
{
    switch (c) {
    case TTiffCompression::sNONE: return 1;
    case TTiffCompression::sCCITT: return 2;
    case TTiffCompression::sLZW: return 5;
    case TTiffCompression::sPACKBITS: return 32773;
    }
    return 1;
}

int loadBits(TLoadResolution r)
{
    static constexpr int kBits[] = {0, 1, 4, 8, 24, 24};
    return kBits[static_cast<int>(r)];
}

int saveBits(TSaveResolution r)
{
    static constexpr int kBits[] = {0, 1, 4, 8, 24, 8, 24};
    return kBits[static_cast<int>(r)];
}

bool jpegWritesGrey(TSaveResolution r) { return r == TSaveResolution::sMonoChrome || r == TSaveResolution::sJpegGray; }

std::optional<DecodedPicture> decodePicture(PictureFormat format, std::span<const std::uint8_t> bytes)
{
    switch (format) {
    case PictureFormat::Bmp: return detail::decodeBmp(bytes);
    case PictureFormat::Pcx: return detail::decodePcx(bytes);
    case PictureFormat::Png: return detail::decodePng(bytes);
    case PictureFormat::Jpg: return detail::decodeJpg(bytes);
    case PictureFormat::Tif: return detail::decodeTif(bytes);
    case PictureFormat::Unknown: break;
    }
    return std::nullopt;
}

void toBitmap(const DecodedPicture& d, TDI8Bitmap& out)
{
    out.resize(d.width, d.height);
    const std::size_t w = std::size_t(d.width);
    if (d.indexed) {
        out.setColours(d.palette);
        for (int y = 0; y < d.height; ++y)
            std::copy_n(d.indices.data() + w * std::size_t(y), w, out.rowPointer(y));
        out.resetWrittenBand();
        return;
    }
    // True colour into 8 bits: grey ramp, exact palette, or the colour cube.
    const bool grey = std::all_of(d.rgb.begin(), d.rgb.end(),
        [](std::uint32_t p) { return rgbRed(p) == rgbGreen(p) && rgbGreen(p) == rgbBlue(p); });
    if (grey) {
        out.setColours(greyRamp());
        for (int y = 0; y < d.height; ++y) {
            std::uint8_t* dst = out.rowPointer(y);
            for (std::size_t x = 0; x < w; ++x)
                dst[x] = rgbBlue(d.rgb[w * std::size_t(y) + x]);
        }
        out.resetWrittenBand();
        return;
    }
    std::unordered_map<std::uint32_t, std::uint8_t> exact;
    for (std::uint32_t p : d.rgb) {
        if (exact.size() > 256)
            break;
        exact.emplace(p, std::uint8_t(exact.size()));
    }
    ColourTable table{};
    if (exact.size() <= 256) {
        for (auto [p, i] : exact)
            table[i] = colourValue(rgbRed(p), rgbGreen(p), rgbBlue(p));
        out.setColours(table);
        for (int y = 0; y < d.height; ++y) {
            std::uint8_t* dst = out.rowPointer(y);
            for (std::size_t x = 0; x < w; ++x)
                dst[x] = exact[d.rgb[w * std::size_t(y) + x]];
        }
        out.resetWrittenBand();
        return;
    }
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                table[std::size_t(r * 42 + g * 6 + b)] =
                    colourValue(std::uint8_t(r * 51), std::uint8_t(g * 255 / 6), std::uint8_t(b * 51));
    out.setColours(table);
    for (int y = 0; y < d.height; ++y) {
        std::uint8_t* dst = out.rowPointer(y);
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint32_t p = d.rgb[w * std::size_t(y) + x];
            dst[x] = std::uint8_t(nearestLevel(rgbRed(p), 6) * 42 + nearestLevel(rgbGreen(p), 7) * 6 +
                                  nearestLevel(rgbBlue(p), 6));
        }
    }
    out.resetWrittenBand();
}

void toRgb(const DecodedPicture& d, RgbPicture& out)
{
    out.resize(d.width, d.height);
    auto px = out.data();
    if (!d.indexed) {
        std::copy(d.rgb.begin(), d.rgb.end(), px.begin());
        return;
    }
    for (std::size_t i = 0; i < d.indices.size(); ++i) {
        const std::uint32_t c = d.palette[d.indices[i]];
        px[i] = rgb(colourRed(c), colourGreen(c), colourBlue(c));
    }
}

bool readPicture(const std::filesystem::path& file, TDI8Bitmap& out)
{
    const auto bytes = readWholeFile(file);
    std::optional<DecodedPicture> d;
    if (bytes)
        d = decodePicture(pictureFormatOf(file), *bytes);
    if (!d) {
        out.setColours(greyRamp());
        out.resize(100, 100);
        return false;
    }
    toBitmap(*d, out);
    return true;
}

bool readPicture(const std::filesystem::path& file, RgbPicture& out)
{
    const auto bytes = readWholeFile(file);
    std::optional<DecodedPicture> d;
    if (bytes)
        d = decodePicture(pictureFormatOf(file), *bytes);
    if (!d) {
        out.resize(100, 100);
        return false;
    }
    toRgb(*d, out);
    return true;
}

namespace {

// Encodes into file, by the format its name gives.
bool encodePictureFile(const std::filesystem::path& file, const TDI8Bitmap& picture, const PictureSaveOptions& options)
{
    const ColourTable table = picture.colours();
    const detail::IndexedView v = viewOf(picture, table);
    switch (pictureFormatOf(file)) {
    case PictureFormat::Bmp: return writeWholeFile(file, detail::encodeBmp(v));
    case PictureFormat::Pcx: return writeWholeFile(file, detail::encodePcx(v));
    case PictureFormat::Png: return writeWholeFile(file, detail::encodePng(v));
    case PictureFormat::Jpg:
        return writeWholeFile(file, detail::encodeJpg(v, options.jpegQuality, options.jpegSmoothing));
    case PictureFormat::Tif: return detail::writeTif(file, v, options.tiffCompression);
    case PictureFormat::Unknown: break;
    }
    return false;
}

bool encodePictureFile(const std::filesystem::path& file, const RgbPicture& picture, const PictureSaveOptions& options)
{
    const PictureFormat format = pictureFormatOf(file);
    const int bits = saveBits(options.resolution);
    const bool eightBit = (format == PictureFormat::Pcx || format == PictureFormat::Tif) ? bits == 8
                          : (format == PictureFormat::Bmp || format == PictureFormat::Png) ? bits >= 1 && bits <= 8
                                                                                            : false;
    const bool greyJpeg = format == PictureFormat::Jpg && jpegWritesGrey(options.resolution);
    if (eightBit || greyJpeg) {
        DecodedPicture d;
        d.width = picture.width();
        d.height = picture.height();
        d.rgb.assign(picture.data().begin(), picture.data().end());
        if (greyJpeg)
            for (auto& p : d.rgb) {
                const auto g = std::uint8_t((rgbRed(p) * 30 + rgbGreen(p) * 59 + rgbBlue(p) * 11) / 100);
                p = rgb(g, g, g);
            }
        TDI8Bitmap b(1, 1);
        toBitmap(d, b);
        return encodePictureFile(file, b, options);
    }
    switch (format) {
    case PictureFormat::Bmp: return writeWholeFile(file, detail::encodeBmp(picture));
    case PictureFormat::Pcx: return writeWholeFile(file, detail::encodePcx(picture));
    case PictureFormat::Png: return writeWholeFile(file, detail::encodePng(picture));
    case PictureFormat::Jpg:
        return writeWholeFile(file, detail::encodeJpg(picture, options.jpegQuality, options.jpegSmoothing));
    case PictureFormat::Tif: return detail::writeTif(file, picture, options.tiffCompression);
    case PictureFormat::Unknown: break;
    }
    return false;
}

// The picture goes to a temporary file of its own (with the target's extension, which picks the
// writer), is flushed and then put in place: replacing the target, or as a new file under the
// first free name of target, "<stem>_2.<ext>", "<stem>_3.<ext>" ...
template <class Picture>
std::optional<std::filesystem::path> writeThroughTemp(const std::filesystem::path& file, const Picture& picture,
                                                      const PictureSaveOptions& options, bool replace)
{
    std::filesystem::path tmp = uniqueTempPath(file);
    tmp += file.extension();
    std::error_code ec;
    if (!encodePictureFile(tmp, picture, options)) {
        std::filesystem::remove(tmp, ec);
        return std::nullopt;
    }
    if (replace)
        return replaceWithTempFile(tmp, file) ? std::optional(file) : std::nullopt;
    for (int n = 1; n <= kMaxNameSuffix; ++n) {
        const std::filesystem::path name =
            n == 1 ? file
                   : file.parent_path() / (file.stem().string() + "_" + std::to_string(n) + file.extension().string());
        if (placeTempFileAsNew(tmp, name))
            return name;
        if (!std::filesystem::exists(name, ec))
            break; // not a name clash: the folder refuses
    }
    std::filesystem::remove(tmp, ec);
    return std::nullopt;
}

} // namespace

bool writePicture(const std::filesystem::path& file, const TDI8Bitmap& picture, const PictureSaveOptions& options)
{
    return writeThroughTemp(file, picture, options, true).has_value();
}

bool writePicture(const std::filesystem::path& file, const RgbPicture& picture, const PictureSaveOptions& options)
{
    return writeThroughTemp(file, picture, options, true).has_value();
}

std::optional<std::filesystem::path> writeNewPicture(const std::filesystem::path& file, const TDI8Bitmap& picture,
                                                     const PictureSaveOptions& options)
{
    return writeThroughTemp(file, picture, options, false);
}

std::optional<std::filesystem::path> writeNewPicture(const std::filesystem::path& file, const RgbPicture& picture,
                                                     const PictureSaveOptions& options)
{
    return writeThroughTemp(file, picture, options, false);
}

PictureDescription describePicture(const std::filesystem::path& file)
{
    PictureDescription desc;
    desc.format = "ERR";
    const PictureFormat format = pictureFormatOf(file);
    const auto bytes = readWholeFile(file);
    if (!bytes)
        return desc;
    const auto d = decodePicture(format, *bytes);
    if (!d)
        return desc;
    desc.format = std::string(pictureFormatText(format));
    desc.width = d->width;
    desc.height = d->height;
    desc.bits = d->fileBits;
    desc.compression = d->fileCompression;
    desc.planes = d->filePlanes;
    desc.colours = d->fileColours;
    desc.size = std::int64_t(bytes->size());
    return desc;
}

bool TDI8Bitmap::load(const std::filesystem::path& file) { return readPicture(file, *this); }

bool TDI8Bitmap::save(const std::filesystem::path& file) { return saveAsNew(file, true).has_value(); }

std::optional<std::filesystem::path> TDI8Bitmap::saveAsNew(const std::filesystem::path& file, bool replace)
{
    compact();
    PictureSaveOptions options;
    options.jpegQuality = jpegQuality;
    options.jpegSmoothing = jpegSmoothing;
    auto placed = writeThroughTemp(file, *this, options, replace);
    expand();
    return placed;
}

bool RgbPicture::load(const std::filesystem::path& file) { return readPicture(file, *this); }

bool RgbPicture::save(const std::filesystem::path& file, int jpegQuality, int jpegSmoothing) const
{
    PictureSaveOptions options;
    options.jpegQuality = jpegQuality;
    options.jpegSmoothing = jpegSmoothing;
    return writePicture(file, *this, options);
}

} // namespace tellur::storage
