// Picture file codecs: BMP and PCX written here, PNG through libpng, JPG through libjpeg-turbo,
// TIF through libtiff. The format is chosen by the last three characters of the file name in
// upper case ("BMP", "PCX", "PNG", "JPG", "TIF"; "PEG" and "IFF" of the four-letter extensions
// count as JPG and TIF).
//
// Reading decodes into a DecodedPicture (palette + indices, or true colour) and then into the
// caller's picture: an 8-bit picture keeps a file's palette and indices; a true-colour file read
// into an 8-bit picture becomes a grey ramp when all its pixels are grey, an exact palette when it
// has at most 256 colours, else a 6 × 7 × 6 colour cube (nearest colour, no dithering).
// Readers never trust a header: sizes are checked against the data and limited to kMaxPictureSide
// per side and kMaxPicturePixels in total; a damaged file fails cleanly.
//
// Threading: the functions are reentrant; save threads call them on their own copies.
#pragma once

#include "storage/di8_bitmap.h"
#include "storage/rgb_picture.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tellur::storage {

inline constexpr int kMaxPictureSide = 32767;
inline constexpr std::int64_t kMaxPicturePixels = 64LL * 1024 * 1024;
// Larger files are not read at all (the largest picture in 24-bit BMP is below this).
inline constexpr std::size_t kMaxPictureFileBytes = 256u * 1024 * 1024;

enum class PictureFormat { Unknown, Bmp, Pcx, Png, Jpg, Tif };

// By the last three characters of the name, upper case.
PictureFormat pictureFormatOf(const std::filesystem::path& file);
// "BMP", "PCX", "PNG", "JPG", "TIF" or "" for Unknown.
std::string_view pictureFormatText(PictureFormat format);

// "Reading bmp file failed" … and "Writing bmp file failed" …, the texts the windows show.
std::string readFailureText(PictureFormat format);
std::string writeFailureText(PictureFormat format);

// TIFF writer compression (index order as in the picture control's setting).
enum class TTiffCompression { sNONE, sCCITT, sLZW, sPACKBITS };
// 1, 2, 5, 32773.
int tiffCompressionCode(TTiffCompression c);

// The picture control's reading and writing depths (index order as in its settings).
enum class TLoadResolution { lColorVga, lMonoChrome, lColor16, lColor256, lColorTrue, lAutoMatic };
enum class TSaveResolution { sColorVga, sMonoChrome, sColor16, sColor256, sColorTrue, sJpegGray, sAutoMatic };
// Bits requested from the readers: 0, 1, 4, 8, 24, 24.
int loadBits(TLoadResolution r);
// Bits given to the writers: 0, 1, 4, 8, 24, 8, 24.
int saveBits(TSaveResolution r);
// The JPEG writer writes grey for sMonoChrome and sJpegGray.
bool jpegWritesGrey(TSaveResolution r);

struct PictureSaveOptions {
    int jpegQuality = 25;   // 1..100
    int jpegSmoothing = 5;  // 0..100
    // CCITT can only hold black and white: such a file is the picture thresholded at mid grey.
    TTiffCompression tiffCompression = TTiffCompression::sNONE;
    // For true-colour pictures: 1..8 bits write a 256-colour palette file (as an 8-bit picture is
    // read), anything else 24 bits; JPG follows jpegWritesGrey. PCX and TIF take 8 or 24.
    TSaveResolution resolution = TSaveResolution::sColorTrue;
};

// A decoded file, before it becomes a picture object.
struct DecodedPicture {
    int width = 0;
    int height = 0;
    bool indexed = false;
    ColourTable palette{};              // colour values 0x00BBGGRR, when indexed
    std::vector<std::uint8_t> indices;  // width × height, top-down, when indexed
    std::vector<std::uint32_t> rgb;     // width × height, 0x00RRGGBB, when not indexed
    // As the file says, for the picture description.
    int fileBits = 0;
    int fileCompression = 0;
    int filePlanes = 1;
    int fileColours = 0;
};

// Decoders over a memory image of the file; nullopt for anything they cannot read.
std::optional<DecodedPicture> decodePicture(PictureFormat format, std::span<const std::uint8_t> bytes);

// Converts a decoded picture into the 8-bit or the true-colour picture.
void toBitmap(const DecodedPicture& d, TDI8Bitmap& out);
void toRgb(const DecodedPicture& d, RgbPicture& out);

// Reads a file. On failure the picture is an empty (black) 100 × 100 one with a grey ramp.
bool readPicture(const std::filesystem::path& file, TDI8Bitmap& out);
bool readPicture(const std::filesystem::path& file, RgbPicture& out);

// Writes the 8-bit picture as its header says (so a compacted picture writes its band only),
// with its colour table where the format holds one (BMP, PCX, PNG, TIF); JPG is written grey
// when the colour table is grey, else in colour. False when the file could not be written.
bool writePicture(const std::filesystem::path& file, const TDI8Bitmap& picture, const PictureSaveOptions& options = {});
// Writes a true-colour picture with 24 bits.
bool writePicture(const std::filesystem::path& file, const RgbPicture& picture, const PictureSaveOptions& options = {});
// Every write goes through a temporary file, flushed before it takes the name, so a crash or a
// kill never leaves a truncated picture. writePicture replaces a file of that name; writeNewPicture
// never does: when the name is taken it uses "<stem>_2.<ext>", "<stem>_3.<ext>" ... (up to
// kMaxNameSuffix) and returns the name used; nullopt when nothing could be written.
inline constexpr int kMaxNameSuffix = 999;
std::optional<std::filesystem::path> writeNewPicture(const std::filesystem::path& file, const TDI8Bitmap& picture,
                                                     const PictureSaveOptions& options = {});
std::optional<std::filesystem::path> writeNewPicture(const std::filesystem::path& file, const RgbPicture& picture,
                                                     const PictureSaveOptions& options = {});

// What the picture-information window shows. For a missing or unreadable file the format is "ERR"
// and every number -1.
struct PictureDescription {
    std::string format;          // "BMP", "PCX", "PNG", "JPG", "TIF"
    int width = -1;
    int height = -1;
    int bits = -1;               // bits per pixel
    int compression = -1;        // format's own code (BMP biCompression, TIFF code, PNG/JPG 0, PCX encoding)
    int planes = -1;
    int colours = -1;            // palette entries, 0 for true colour
    std::int64_t size = -1;      // file size in bytes
};
PictureDescription describePicture(const std::filesystem::path& file);

} // namespace tellur::storage
