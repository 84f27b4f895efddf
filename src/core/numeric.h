// Numeric conventions shared by every subsystem: half-to-even rounding, fixed-point division and
// sample-ring arithmetic.
#pragma once

#include <cmath>
#include <cstdint>

namespace tellur {

// "Round" everywhere in the station: to nearest, ties to even (banker's rounding). Below 2^51
// (2^22 for float) adding and removing 1.5 x 2^52 rounds in the default mode, ties to even, as
// nearbyint does, without its library call in the per-sample paths.
inline std::int64_t roundHalfEven(double v)
{
    constexpr double kShift = 6755399441055744.0;
    if (std::fabs(v) < 2251799813685248.0)
        return static_cast<std::int64_t>((v + kShift) - kShift);
    return static_cast<std::int64_t>(std::nearbyint(v));
}

inline std::int64_t roundHalfEven(float v)
{
    constexpr float kShift = 12582912.0f;
    if (std::fabs(v) < 4194304.0f)
        return static_cast<std::int64_t>((v + kShift) - kShift);
    return static_cast<std::int64_t>(std::nearbyintf(v));
}

// round(a / b) with ties to even, exact for all 64-bit a and positive b. Branch-free: the
// demodulators call it several times per sample on data that no predictor could follow.
constexpr std::int64_t divRoundHalfEven(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    const std::int64_t r = a % b;
    const std::int64_t twice = 2 * (r < 0 ? -r : r);
    const std::int64_t away = (twice > b) | ((twice == b) & q);
    return q + ((a >> 63) | 1) * (away & 1);
}

// The common case: values kept in 1/10000 units (a constant divisor, so no division).
constexpr std::int64_t divRoundE4(std::int64_t a)
{
    return divRoundHalfEven(a, 10000);
}

// Number of items in the sample ring; all ring indices are taken modulo this.
inline constexpr std::int32_t kRingSize = 196608; // 0x30000

// Index arithmetic for the sample ring; accepts any signed offset.
constexpr std::int32_t ringIndex(std::int64_t i)
{
    std::int64_t r = i % kRingSize;
    return static_cast<std::int32_t>(r < 0 ? r + kRingSize : r);
}

// The index after i (0 <= i < kRingSize), without a division: the per-item loops use it.
constexpr std::int32_t ringNext(std::int32_t i)
{
    return i + 1 == kRingSize ? 0 : i + 1;
}

// The index of a position kept in 1/10000 items, rounded down.
constexpr std::int32_t ringIndexE4(std::int64_t positionE4)
{
    std::int64_t items = positionE4 / 10000;
    if (positionE4 % 10000 < 0)
        --items;
    return ringIndex(items);
}

// A real-valued ring position at most one ring outside [0, kRingSize) brought back into it.
template <typename Real>
constexpr Real ringWrap(Real position)
{
    if (position < 0)
        position += Real(kRingSize);
    if (position >= Real(kRingSize))
        position -= Real(kRingSize);
    return position;
}

// Signed distance from b to a along the ring, in [-kRingSize / 2, kRingSize / 2).
inline double ringDelta(double a, double b)
{
    double d = std::fmod(a - b, double(kRingSize));
    if (d < -kRingSize / 2.0)
        d += kRingSize;
    if (d >= kRingSize / 2.0)
        d -= kRingSize;
    return d;
}

// A ring position kept with its fraction (a line start), brought into 0 <= v < kRingSize.
inline double ringPosition(double v)
{
    v = std::fmod(v, double(kRingSize));
    return v < 0 ? v + kRingSize : v;
}

} // namespace tellur
