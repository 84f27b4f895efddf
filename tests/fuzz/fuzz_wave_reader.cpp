// Any byte string as a sound file: opening and reading must end cleanly.
#include "signal/wave_source.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string error;
    auto src = tellur::signal::WaveSource::openMemory(std::vector<std::uint8_t>(data, data + size), error);
    if (!src)
        return 0;
    (void)src->isStationFormat();
    std::vector<std::int16_t> block(512);
    // Bounded: a damaged header may claim a very long stream (and resampling may lengthen it).
    for (int i = 0; i < 4096; ++i)
        if (src->read(block) == 0)
            break;
    return 0;
}
