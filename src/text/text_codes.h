// The two character codes of the text modes: 5-unit Baudot (ITA2) and the 7-unit SITOR-B code,
// and the letters/figures shift state that both converters share.
#pragma once

#include <array>
#include <cstdint>

namespace tellur::text {

// Letters or figures; one value shared by the Baudot and FEC converters of a receiver, so a
// shift received in one mode is still in force after a mode change.
struct ShiftState {
    bool figures = false;
};

// Index 0..31 letters case, 32..63 figures case of a 5-bit code (first data bit = bit 0).
// 0 means "no character".
inline constexpr std::array<char, 64> kBaudotTable = {
    0, 'E', '\n', 'A', ' ', 'S', 'I', 'U', '\r', 'D', 'R', 'J', 'N', 'F', 'C', 'K',
    'T', 'Z', 'L', 'W', 'H', 'Y', 'P', 'Q', 'O', 'B', 'G', 0, 'M', 'X', 'V', 0,
    0, '3', '\n', '-', ' ', '\'', '8', '7', '\r', '$', '4', '\a', ',', '!', ':', '(',
    '5', '+', ')', '2', '\'', '6', '0', '1', '9', '?', '\'', 0, '.', '/', '=', 0,
};

inline constexpr std::uint8_t kBaudotLetters = 31;
inline constexpr std::uint8_t kBaudotFigures = 27;

// Applies the shift codes, then looks the code up; 0 = no character.
inline char convertBaudot(std::uint8_t code, ShiftState& shift)
{
    code &= 0x1F;
    if (code == 0 || code == kBaudotLetters)
        shift.figures = false;
    else if (code == kBaudotFigures)
        shift.figures = true;
    return kBaudotTable[code + (shift.figures ? 32 : 0)];
}

// SITOR-B codes as 7-bit numbers in order of reception (first bit = bit 6), mark = 1.
inline constexpr std::uint8_t kFecPhasingAlpha = 0x07; // also the end-of-emission signal
inline constexpr std::uint8_t kFecPhasingBeta = 0x4C;
inline constexpr std::uint8_t kFecFigures = 0x49;
inline constexpr std::uint8_t kFecLetters = 0x52;

// A 7-unit code is valid with exactly three mark bits.
constexpr bool fecCodeValid(std::uint8_t code)
{
    int ones = 0;
    for (int b = 0; b < 7; ++b)
        ones += (code >> b) & 1;
    return code < 0x80 && ones == 3;
}

// 256 entries: letters at the code, figures at code + 128; 0 elsewhere.
std::array<char, 256> buildFecTable();
inline const std::array<char, 256>& fecTable()
{
    static const std::array<char, 256> table = buildFecTable();
    return table;
}

inline char convertFec(std::uint8_t code, ShiftState& shift)
{
    code &= 0x7F;
    if (code == kFecLetters)
        shift.figures = false;
    else if (code == kFecFigures)
        shift.figures = true;
    return fecTable()[code + (shift.figures ? 128 : 0)];
}

} // namespace tellur::text
