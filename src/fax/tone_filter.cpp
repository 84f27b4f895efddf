#include "fax/tone_filter.h"

#include "core/numeric.h"

#include <algorithm>

namespace tellur::fax {

TFilter::TFilter(std::int32_t frequencyHz, std::int32_t lengthPeriods, std::int32_t rate)
{
    if (frequencyHz <= 0)
        frequencyHz = 1000;
    if (lengthPeriods <= 0)
        lengthPeriods = 16;
    if (rate <= 0)
        rate = 9600;
    m_frequency = frequencyHz;
    const double periodItems = double(rate) / double(frequencyHz);
    m_window = static_cast<std::int32_t>(std::max<std::int64_t>(1, roundHalfEven(periodItems * lengthPeriods)));
    m_periodE4 = std::max<std::int64_t>(1, roundHalfEven(periodItems * 10000.0));
    m_stepE4 = roundHalfEven(4.0 / double(m_periodE4) * 1e8);
    m_history.assign(static_cast<std::size_t>(m_window), 0);
    // Pre-count the quadrant bins of a window full of zero values.
    for (std::int32_t i = 0; i < m_window; ++i) {
        m_leadE4 += m_stepE4;
        if (m_leadE4 >= 10000) {
            m_leadE4 -= 10000;
            m_leadQuadrant = (m_leadQuadrant + 1) & 3;
            m_counts[m_leadQuadrant] += 1;
        }
    }
}

void TFilter::updateEnergy()
{
    auto mean = [this](int q) { return m_counts[q] != 0 ? m_sums[q] / m_counts[q] : 0; };
    const std::int64_t x = mean(0) - mean(2);
    const std::int64_t y = mean(1) - mean(3);
    m_energy = static_cast<std::int32_t>(std::min<std::int64_t>(x * x + y * y, INT32_MAX));
    m_peak = std::max(m_peak, m_energy);
}

} // namespace tellur::fax
