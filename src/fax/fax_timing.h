// Small pieces of FAX timing arithmetic shared by the receiver, the window and the tests.
#pragma once

#include "core/numeric.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace tellur::fax {

// The drum speeds that phasing accepts and the speed spin steps through.
inline constexpr std::array<std::int32_t, 6> kLpmSteps = {60, 90, 120, 180, 240, 360};

constexpr bool isAcceptedLpm(std::int32_t lpm)
{
    for (auto v : kLpmSteps)
        if (v == lpm)
            return true;
    return false;
}

// Distance of a from the nearest multiple of b.
constexpr std::int32_t phasingDist(std::int32_t a, std::int32_t b)
{
    if (b == 0)
        return a < 0 ? -a : a;
    std::int32_t r = a % b;
    if (r >= b / 2)
        r -= b;
    return r < 0 ? -r : r;
}

// a / b rounded, at least 1.
constexpr std::int32_t phasingRatio(std::int32_t a, std::int32_t b)
{
    if (b == 0)
        return 1;
    std::int32_t r = a / b;
    if (a % b >= b / 2)
        r += 1;
    return r < 1 ? 1 : r;
}

// Drum speed from an average pulse spacing: 5 × Round(rate / spacing × 12).
inline std::int32_t automaticLpm(double sampleRate, std::int32_t averageSpacing)
{
    if (averageSpacing <= 0)
        return 0;
    return static_cast<std::int32_t>(5 * roundHalfEven(sampleRate / averageSpacing * 12.0));
}

// Index of cooperation shown for a line of this many pixels.
inline std::int32_t indexOfCooperation(std::int32_t pixelsPerLine, bool halved)
{
    return static_cast<std::int32_t>(roundHalfEven(pixelsPerLine / std::numbers::pi)) / (halved ? 2 : 1);
}

// Items per second of the ring: PLL demodulators on the soundcard emit four per carrier cycle.
inline double ringSampleRate(double dataRate, bool soundcard, std::int32_t demodulator)
{
    return soundcard && (demodulator == 3 || demodulator == 4) ? 9600.0 : dataRate;
}

} // namespace tellur::fax
