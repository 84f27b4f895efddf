#include "sstv/sstv_tone_codes.h"

#include "core/numeric.h"

#include <algorithm>
#include <cctype>

namespace tellur::sstv {

ToneCodes ToneCodes::forInterface(int interfaceType)
{
    ToneCodes t;
    t.ptc = interfaceType == kInterfacePtcII;
    for (int b = 0; b < 256; ++b) {
        double hz = static_cast<double>(roundHalfEven(b * 800.0 / 255.0 + 1500.0));
        std::int64_t c = 0;
        if (t.ptc)
            c = std::clamp<std::int64_t>(roundHalfEven((hz - 1500.0) / 800.0 * 240.0), 1, 240);
        else
            c = std::clamp<std::int64_t>(roundHalfEven((hz - 1000.0) / 1400.0 * 255.0), 1, 254);
        t.brightness[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(c);
    }
    if (t.ptc) {
        t.black = 1;
        t.sync = 242;
        t.visOne = 241;
        t.visZero = 243;
        t.leader = 120;
        t.tone1750 = 75;
    }
    return t;
}

std::optional<std::uint8_t> ToneCodes::burstCode(int hz) const
{
    if (ptc) {
        if (hz == 1200)
            return sync;
        if (hz < 1500 || hz > 2300)
            return std::nullopt;
        return static_cast<std::uint8_t>(roundHalfEven((hz - 1500) / 800.0 * 240.0));
    }
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(roundHalfEven((hz - 1000) / 1400.0 * 255.0), 0, 255));
}

std::string_view morsePattern(char c)
{
    switch (std::toupper(static_cast<unsigned char>(c))) {
    case 'A': return "KL";
    case 'B': return "LKKK";
    case 'C': return "LKLK";
    case 'D': return "LKK";
    case 'E': return "K";
    case 'F': return "KKLK";
    case 'G': return "LLK";
    case 'H': return "KKKK";
    case 'I': return "KK";
    case 'J': return "KLLL";
    case 'K': return "LKL";
    case 'L': return "KLKK";
    case 'M': return "LL";
    case 'N': return "LK";
    case 'O': return "LLL";
    case 'P': return "KLLK";
    case 'Q': return "LLKL";
    case 'R': return "KLK";
    case 'S': return "KKK";
    case 'T': return "L";
    case 'U': return "KKL";
    case 'V': return "KKKL";
    case 'W': return "KLL";
    case 'X': return "LKKL";
    case 'Y': return "LKLL";
    case 'Z': return "LLKK";
    case '0': return "LLLLL";
    case '1': return "KLLLL";
    case '2': return "KKLLL";
    case '3': return "KKKLL";
    case '4': return "KKKKL";
    case '5': return "KKKKK";
    case '6': return "LKKKK";
    case '7': return "LLKKK";
    case '8': return "LLLKK";
    case '9': return "LLLLK";
    case '*': return "KKKLKL";
    case '+': return "KLKLK";
    case ',': return "LLKKLL";
    case '-': return "LKKKL";
    case '.': return "KLKLKL";
    case '/': return "LKKLK";
    case '?': return "KKLLKK";
    case '_': return "LKKKKL";
    default: return {};
    }
}

std::vector<std::uint8_t> morseCodes(std::string_view text, int speed, double codesPerSecond, const ToneCodes& codes)
{
    std::vector<std::uint8_t> out;
    if (speed <= 0)
        return out;
    const auto dot = static_cast<std::size_t>(std::max<std::int64_t>(roundHalfEven(codesPerSecond * 6.0 / speed), 0));
    auto append = [&out](std::uint8_t code, std::size_t n) { out.insert(out.end(), n, code); };
    append(codes.silence, static_cast<std::size_t>(roundHalfEven(codesPerSecond / 2.0)));
    for (char c : text) {
        if (c == ' ') {
            append(codes.silence, 2 * dot);
            continue;
        }
        std::string_view pattern = morsePattern(c);
        if (pattern.empty())
            continue;
        for (char element : pattern) {
            append(codes.morseElement(), element == 'K' ? dot : 3 * dot);
            append(codes.silence, dot);
        }
        append(codes.silence, 2 * dot);
    }
    append(codes.silence, static_cast<std::size_t>(roundHalfEven(codesPerSecond)));
    out.push_back(codes.leader);
    return out;
}

std::vector<std::uint8_t> toneBurstSecond(int hz, double codesPerSecond, const ToneCodes& codes)
{
    auto code = codes.burstCode(hz);
    if (!code)
        return {};
    return std::vector<std::uint8_t>(static_cast<std::size_t>(roundHalfEven(codesPerSecond)), *code);
}

BurstRange toneBurstRange(int interfaceType)
{
    switch (interfaceType) {
    case kInterfacePtcII: return {1500, 2300};
    case kInterfaceSoundcard: return {100, 2700};
    default: return {1000, 2400};
    }
}

} // namespace tellur::sstv
