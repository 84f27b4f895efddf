// Feeds arbitrary bytes to every picture decoder and converts what they accept into both picture
// objects. The first byte picks the decoder, so one corpus covers all formats.
#include "storage/picture_files.h"

#include <cstddef>
#include <cstdint>

using namespace tellur::storage;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const PictureFormat formats[] = {PictureFormat::Bmp, PictureFormat::Pcx, PictureFormat::Png,
        PictureFormat::Jpg, PictureFormat::Tif};
    const PictureFormat format = formats[data[0] % 5];
    const auto d = decodePicture(format, {data + 1, size - 1});
    if (!d)
        return 0;
    // Small pictures only: the conversions are what is under test, not the allocator.
    if (std::int64_t(d->width) * d->height > 4'000'000)
        return 0;
    TDI8Bitmap b(1, 1);
    toBitmap(*d, b);
    RgbPicture r(1, 1);
    toRgb(*d, r);
    return 0;
}
