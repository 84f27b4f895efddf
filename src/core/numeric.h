// Numeric conventions shared by every subsystem: half-to-even rounding and ring arithmetic.
#pragma once

#include <cmath>
#include <cstdint>

namespace tellur {

// "Round" everywhere in the station: to nearest, ties to even (banker's rounding).
inline std::int64_t roundHalfEven(double v)
{
    double r = std::nearbyint(v); // default FE_TONEAREST is ties-to-even
    return static_cast<std::int64_t>(r);
}

inline std::int64_t roundHalfEven(float v)
{
    return static_cast<std::int64_t>(std::nearbyintf(v));
}

// Number of items in the sample ring; all ring indices are taken modulo this.
inline constexpr std::int32_t kRingSize = 196608; // 0x30000

// Index arithmetic for the sample ring; accepts any signed offset.
constexpr std::int32_t ringIndex(std::int64_t i)
{
    std::int64_t r = i % kRingSize;
    return static_cast<std::int32_t>(r < 0 ? r + kRingSize : r);
}

// A ring position kept with its fraction (a line start), brought into 0 <= v < kRingSize.
inline double ringPosition(double v)
{
    v = std::fmod(v, double(kRingSize));
    return v < 0 ? v + kRingSize : v;
}

} // namespace tellur
