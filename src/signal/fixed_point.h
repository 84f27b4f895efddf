// Fixed-point helpers of the soundcard signal path: rounded integer division (ties to even, as
// every "round" of the station) and symmetric FIR filters over contiguous history windows.
#pragma once

#include <cstdint>

namespace tellur::signal {

// round(a / b) with ties to even, exact for all 64-bit a and positive b.
constexpr std::int64_t divRoundHalfEven(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    std::int64_t r = a % b;
    std::int64_t twice = 2 * (r < 0 ? -r : r);
    if (twice > b || (twice == b && (q & 1) != 0))
        q += a < 0 ? -1 : 1;
    return q;
}

// The common case: values kept in 1/10000 units (the divisor is a constant, so no division).
constexpr std::int64_t divRoundE4(std::int64_t a)
{
    std::int64_t q = a / 10000;
    std::int64_t r = a % 10000;
    std::int64_t twice = 2 * (r < 0 ? -r : r);
    if (twice > 10000 || (twice == 10000 && (q & 1) != 0))
        q += a < 0 ? -1 : 1;
    return q;
}

// Symmetric FIR of odd length Taps over window[0] (oldest) .. window[Taps - 1] (newest) with
// Taps / 2 + 1 coefficients a, the last one the centre tap: pairs from the outside in.
template <int Taps>
inline std::int64_t symmetricFir(const std::int32_t* window, const std::int32_t* a)
{
    constexpr int half = Taps / 2;
    std::int64_t sum = 0;
    for (int k = 0; k < half; ++k)
        sum += std::int64_t(a[k]) * (std::int64_t(window[Taps - 1 - k]) + window[k]);
    return sum + std::int64_t(a[half]) * window[half];
}

} // namespace tellur::signal
