// Tone codes of the SSTV transmitter: the brightness-to-code table with the special codes of the
// interface in use, the Morse generator and tone bursts. One code is one output sample; for the
// soundcard code c means 1000 + c x 1400 / 255 Hz (0 silence), the PTC-II has its own scale.
// Built once and then only read, from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tellur::sstv {

inline constexpr int kInterfacePtcII = 1;
inline constexpr int kInterfaceSoundcard = 2;

struct ToneCodes {
    bool ptc = false;
    std::array<std::uint8_t, 256> brightness{}; // 1500 Hz black .. 2300 Hz white
    std::uint8_t silence = 0;
    std::uint8_t black = 91;
    std::uint8_t sync = 36;     // 1200 Hz
    std::uint8_t visOne = 18;   // 1100 Hz
    std::uint8_t visZero = 55;  // 1300 Hz
    std::uint8_t leader = 164;  // 1900 Hz
    std::uint8_t tone1750 = 137;

    static ToneCodes forInterface(int interfaceType);

    std::uint8_t white() const { return brightness[255]; }
    // Morse is keyed on the tone of brightness 254 (about 2296 Hz).
    std::uint8_t morseElement() const { return brightness[254]; }
    // Code of a tone burst frequency; nullopt where the interface has none (PTC-II outside
    // 1500..2300 Hz other than 1200 Hz).
    std::optional<std::uint8_t> burstCode(int hz) const;
};

// Dot/dash pattern of a character ("K" dot, "L" dash); empty for characters without one.
std::string_view morsePattern(char c);

// The codes of a Morse text: half a second of space, the characters (dot = round(d x 6 / speed)
// codes), one second of space and one leader code. codesPerSecond is d.
std::vector<std::uint8_t> morseCodes(std::string_view text, int speed, double codesPerSecond, const ToneCodes& codes);

// One second of a burst tone, or nothing when the interface cannot send that frequency.
std::vector<std::uint8_t> toneBurstSecond(int hz, double codesPerSecond, const ToneCodes& codes);

// Accepted burst frequencies per interface, as the tool window's input asks for them.
struct BurstRange {
    int lowHz;
    int highHz;
};
BurstRange toneBurstRange(int interfaceType);

} // namespace tellur::sstv
