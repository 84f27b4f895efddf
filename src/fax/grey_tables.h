// The receiver's level mapping: raw ring item -> grey value (and the transmit-code table that
// lives behind it), and the grey value reduced to the mode's bit depth for display.
// Rebuilt on every level change; read per item on the receiver's thread.
#pragma once

#include <array>
#include <cstdint>

namespace tellur::fax {

struct GreyLevelInput {
    int demodulator = 0;      // 0 FM, 1 AM, 2 AM-log, 3 PLL-lin, 4 PLL-log
    bool fourteenBit = false; // ring items are 14-bit values
    int blackOffset = 0;      // the row's default black level for AM (0..63)
    int bitDepth = 8;         // 1..8
};

class GreyTables {
public:
    static constexpr int kRawSize = 16384;

    // Sets the levels; 0 selects the default for that level. Returns the levels as applied.
    void setLevels(std::int32_t black, std::int32_t white, const GreyLevelInput& in);

    std::uint8_t grey(std::uint16_t item) const { return m_grey[item & (kRawSize - 1)]; }
    std::uint8_t quantised(std::uint16_t item) const { return m_quantised[item & (kRawSize - 1)]; }

    std::int32_t black() const { return m_black; }
    std::int32_t white() const { return m_white; }
    // The levels as 8-bit values, for the spectrum display.
    int black8() const { return m_fourteenBit ? m_black / 64 : m_black; }
    int white8() const { return m_fourteenBit ? m_white / 64 : m_white; }

    // Transmit code of a grey value (0 black .. 255 white).
    std::uint8_t transmitCode(int grey) const { return m_transmit[static_cast<std::size_t>(grey & 0xFF)]; }
    void fillTransmitTable(bool ptc);

    const std::array<std::uint8_t, kRawSize>& greyTable() const { return m_grey; }
    const std::array<std::uint8_t, kRawSize>& quantisedTable() const { return m_quantised; }

private:
    std::array<std::uint8_t, kRawSize> m_grey{};
    std::array<std::uint8_t, 256> m_transmit{};
    std::array<std::uint8_t, kRawSize> m_quantised{};
    std::int32_t m_black = 0;
    std::int32_t m_white = 255;
    bool m_fourteenBit = false;
};

// The top `bits` bits of g repeated downwards to fill the byte.
std::uint8_t quantiseGrey(std::uint8_t g, int bits);

} // namespace tellur::fax
