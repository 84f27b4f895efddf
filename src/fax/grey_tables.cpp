#include "fax/grey_tables.h"

#include "core/numeric.h"

#include <algorithm>
#include <cmath>

namespace tellur::fax {

std::uint8_t quantiseGrey(std::uint8_t g, int bits)
{
    bits = std::clamp(bits, 1, 8);
    const unsigned m = ((1u << bits) - 1u) << (8 - bits);
    unsigned out = 0;
    for (int shift = 0; shift < 8; shift += bits)
        out |= (g & m) >> shift;
    return static_cast<std::uint8_t>(out);
}

void GreyTables::setLevels(std::int32_t black, std::int32_t white, const GreyLevelInput& in)
{
    m_fourteenBit = in.fourteenBit;
    if (in.demodulator == 0) {
        black = 64;
        white = 191;
    } else if (in.fourteenBit) {
        if (black == 0)
            black = in.blackOffset * 64;
        if (white == 0)
            white = 16383;
    } else {
        if (white == 0)
            white = 255;
        if (black == 0)
            black = in.blackOffset;
    }
    m_black = black;
    m_white = white;
    // Equal levels would divide by zero; one step apart keeps the table a hard threshold.
    const double span = white != black ? double(white) - double(black) : 1.0;
    const bool logCurve = in.demodulator == 2 || in.demodulator == 4;
    const int full = in.fourteenBit ? 16383 : 255;
    const int entries = in.fourteenBit ? kRawSize : 256;
    for (int i = 0; i < entries; ++i) {
        auto d = std::clamp<std::int64_t>(roundHalfEven((i - black) * double(full) / span), 0, full);
        if (logCurve)
            d = roundHalfEven(std::sqrt(double(d) / full) * full);
        m_grey[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(in.fourteenBit ? d >> 6 : d);
    }
    // 8-bit items never exceed 255; keep the rest of the table defined all the same.
    for (int i = entries; i < kRawSize; ++i)
        m_grey[static_cast<std::size_t>(i)] = m_grey[255];
    for (int i = 0; i < kRawSize; ++i)
        m_quantised[static_cast<std::size_t>(i)] = quantiseGrey(m_grey[static_cast<std::size_t>(i)], in.bitDepth);
}

void GreyTables::fillTransmitTable(bool ptc)
{
    for (int i = 0; i < 256; ++i) {
        const auto r = roundHalfEven(i * 800.0 / 255.0 + 1500.0);
        std::int64_t code;
        if (ptc)
            code = std::clamp<std::int64_t>(roundHalfEven((r - 1500) / 800.0 * 240.0), 1, 240);
        else
            code = std::clamp<std::int64_t>(roundHalfEven((r - 1000) / 1400.0 * 255.0), 1, 254);
        m_transmit[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(code);
    }
}

} // namespace tellur::fax
