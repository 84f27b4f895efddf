#include "text/text_codes.h"

namespace tellur::text {

std::array<char, 256> buildFecTable()
{
    struct Row {
        std::uint8_t code;
        char letters;
        char figures;
    };
    static constexpr Row kRows[] = {
        {0x0B, 'J', 0},    {0x0D, 'W', '2'},  {0x0E, 'A', '-'},   {0x13, 'F', 0},    {0x15, 'Y', '6'},
        {0x16, 'S', '\''}, {0x1A, 'D', 0},    {0x1C, 'Z', '+'},   {0x23, 'C', ':'},  {0x25, 'P', '0'},
        {0x26, 'I', '8'},  {0x29, 'G', 0},    {0x2A, 'R', '4'},   {0x2C, 'L', ')'},  {0x31, 'M', '.'},
        {0x32, 'N', ','},  {0x34, 'H', 0},    {0x38, 'O', '9'},   {0x43, 'K', '('},  {0x45, 'Q', '1'},
        {0x46, 'U', '7'},  {0x4A, 'E', '3'},  {0x51, 'X', '/'},   {0x58, 'B', '?'},  {0x61, 'V', '='},
        {0x62, ' ', ' '},  {0x64, '\n', '\n'}, {0x68, 'T', '5'},  {0x70, '\r', '\r'},
    };
    std::array<char, 256> table{};
    for (const Row& r : kRows) {
        table[r.code] = r.letters;
        table[r.code + 128] = r.figures;
    }
    return table;
}

} // namespace tellur::text
