// The main window's input level meter: a running mean over the last ten audio peaks, shown as a
// gauge whose colour tells whether the receiver's audio is too low, right or too high.
// Owned by the main window (GUI thread).
#pragma once

#include "core/numeric.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace tellur {

class LevelMeter {
public:
    enum class Colour { DarkRed, Green, Red };

    // Takes one demodulator peak (in the demodulators' 1/10000 units) and returns the gauge value.
    int push(std::int64_t peak)
    {
        const auto c = static_cast<std::int32_t>(roundHalfEven(double(peak) / 51.0 / 10000.0));
        m_sum += c - m_values[m_pos];
        m_values[m_pos] = c;
        m_pos = (m_pos + 1) % kLength;
        const std::int32_t mean = m_sum / kLength;
        m_value = static_cast<int>(roundHalfEven(std::sqrt(double(mean < 0 ? 0 : mean) / 210.0) * 210.0));
        return m_value;
    }

    void clear()
    {
        m_values.fill(0);
        m_pos = 0;
        m_sum = 0;
        m_value = 0;
    }

    int value() const { return m_value; }

    static Colour colourFor(int v)
    {
        if (v < 175)
            return Colour::DarkRed;
        if (v > 205)
            return Colour::Red;
        return Colour::Green;
    }

private:
    static constexpr int kLength = 10;
    std::array<std::int32_t, kLength> m_values{};
    int m_pos = 0;
    std::int32_t m_sum = 0;
    int m_value = 0;
};

} // namespace tellur
