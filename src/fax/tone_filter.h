// TFilter: a quadrature correlator measuring how strongly the grey-value stream contains one
// frequency. Four bins take one value per quarter period of the tone; the energy is the squared
// amplitude of that component over the last `length` periods. All fixed point, no allocation
// per item. Owned by the FAX receiver (GUI thread or the command-line loop).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace tellur::fax {

class TFilter {
public:
    // frequency 0 means 1000 Hz, length 0 means 16 periods, rate 0 means 9600 items/s.
    TFilter(std::int32_t frequencyHz, std::int32_t lengthPeriods, std::int32_t rate);

    void feed(std::uint8_t v)
    {
        // Trailing side: the value that leaves the window was taken W items ago at this k.
        m_trailE4 += m_stepE4;
        if (m_trailE4 >= 10000) {
            m_trailE4 -= 10000;
            m_trailQuadrant = (m_trailQuadrant + 1) & 3;
            m_counts[m_trailQuadrant] -= 1;
            m_sums[m_trailQuadrant] -= m_history[m_k];
        }
        m_leadE4 += m_stepE4;
        if (m_leadE4 >= 10000) {
            m_leadE4 -= 10000;
            m_leadQuadrant = (m_leadQuadrant + 1) & 3;
            if (m_leadQuadrant == 0)
                updateEnergy();
            m_counts[m_leadQuadrant] += 1;
            m_sums[m_leadQuadrant] += v;
            m_history[m_k] = v;
        }
        if (++m_k >= m_window)
            m_k = 0;
    }

    // Returns the peak energy since the last read and clears it.
    std::int32_t readPeak()
    {
        std::int32_t m = m_peak;
        m_peak = 0;
        return m;
    }
    std::int32_t energy() const { return m_energy; }

    std::int32_t frequencyHz() const { return m_frequency; }
    std::int32_t window() const { return m_window; }
    std::int64_t periodE4() const { return m_periodE4; }
    std::int64_t stepE4() const { return m_stepE4; }
    const std::array<std::int32_t, 4>& counts() const { return m_counts; }

private:
    void updateEnergy();

    std::int32_t m_frequency;
    std::int32_t m_window;
    std::int64_t m_periodE4;
    std::int64_t m_stepE4;
    std::int64_t m_leadE4 = 0;
    std::int64_t m_trailE4 = 0;
    std::int32_t m_leadQuadrant = 0;
    std::int32_t m_trailQuadrant = 0;
    std::int32_t m_k = 0;
    std::int32_t m_energy = 0;
    std::int32_t m_peak = 0;
    std::array<std::int32_t, 4> m_counts{};
    std::array<std::int32_t, 4> m_sums{};
    std::vector<std::uint8_t> m_history;
};

} // namespace tellur::fax
