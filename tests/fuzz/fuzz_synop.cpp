// Arbitrary message text (split into lines) through the SYNOP/SHIP report decoder.
#include "text/synop_decoder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static tellur::text::SynopStationList stations = [] {
        tellur::text::SynopStationList l;
        l.loadFromText("10384;EDDT\tBerlin\t\tGermany\t52-34N\t013-19E\n");
        return l;
    }();
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < size; ++i) {
        char c = static_cast<char>(data[i]);
        if (c == '\n')
            lines.emplace_back();
        else
            lines.back().push_back(c);
    }
    std::vector<std::string> out;
    tellur::text::decodeSynop(lines, out, stations);
    return 0;
}
