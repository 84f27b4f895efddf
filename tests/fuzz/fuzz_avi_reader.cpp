// Arbitrary bytes as a movie: parse, then read every frame the parser reports.
#include "fax/avi_file.h"

#include <cstddef>
#include <cstdint>

using namespace tellur;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fax::AviMovieReader reader;
    if (!reader.open(fax::memorySource({data, size})))
        return 0;
    storage::TDI8Bitmap frame(1, 1);
    for (int i = 0; i < reader.frameCount() && i < 64; ++i)
        reader.readFrame(i, frame);
    return 0;
}
