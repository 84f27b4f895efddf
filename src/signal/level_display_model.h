// The arithmetic behind the Spectrum and Scope windows: bar heights of the level histogram, the
// sync marker's memory and the scope trace. No Qt; the windows paint what these compute.
#pragma once

#include "core/numeric.h"
#include "core/sample_ring.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace tellur::ui {

inline constexpr int kSpectrumWidth = 256;
inline constexpr int kSpectrumHeight = 66;

// One vertical bar per even level 2..254, drawn from y = 65 up to `top`.
struct SpectrumBar {
    int x = 0;
    int top = 0;
};

inline std::vector<SpectrumBar> spectrumBars(const std::array<std::int32_t, 256>& counts)
{
    std::int32_t largest = 1;
    std::int32_t smallest = counts[3];
    for (int i = 3; i <= 254; ++i) {
        largest = std::max(largest, counts[std::size_t(i)]);
        smallest = std::min(smallest, counts[std::size_t(i)]);
    }
    const std::int32_t range = largest - smallest;
    const std::int32_t scale = range < 64 ? 2 : range / 64 + 1;
    std::vector<SpectrumBar> bars;
    for (int i = 2; i <= 254; i += 2) {
        const std::int32_t h = (counts[std::size_t(i)] - smallest) / scale;
        if (h > 0)
            bars.push_back({i, 65 - h});
    }
    return bars;
}

// The sync marker: a valid report (strictly inside the sync range) shows it bright at once;
// invalid reports dim it, and after 50 of them (about 8 s) it disappears.
class SyncMarker {
public:
    void setRange(int low, int high)
    {
        m_low = low;
        m_high = high;
    }
    void update(int reported)
    {
        if (reported > m_low && reported < m_high) {
            m_position = reported;
            m_stale = 0;
            m_fresh = true;
        } else {
            ++m_stale;
            m_fresh = false;
        }
    }
    bool visible() const { return m_stale < 50 && m_position >= 0; }
    bool fresh() const { return m_fresh; }
    int position() const { return m_position; }

private:
    int m_low = 18;
    int m_high = 55;
    int m_position = -1;
    int m_stale = 50;
    bool m_fresh = false;
};

// Sync range and labels of the FAX scale by interface.
struct FaxScale {
    int syncLow, syncHigh, sync, black, centre, white;
};
inline constexpr FaxScale faxScale(bool ptc)
{
    return ptc ? FaxScale{0, 32, 16, 64, 128, 192} : FaxScale{18, 55, 37, 91, 165, 238};
}

inline constexpr int kScopeWidth = 256;
inline constexpr int kScopeHeight = 82;

// Items per 5 ms on the scope's time axis.
inline int scopeGridStep(double dataRate)
{
    return static_cast<int>(roundHalfEven(dataRate * 0.005));
}

// The x positions of the time grid: c/2, c/2 + c, then three more every 2c.
inline std::array<int, 5> scopeGridLines(int c)
{
    const int first = c / 2;
    return {first, first + c, first + 3 * c, first + 5 * c, first + 7 * c};
}

// y of each of the trace's pixels. Time-axis mode: 256 items one per pixel; otherwise 255 pixels
// averaging itemsPerPixel items each (16.16 fixed point), wrapping at ringSize.
inline std::vector<int> scopeTrace(const std::vector<std::uint16_t>& ring, std::int64_t start, bool timeAxis,
                                   double itemsPerPixel)
{
    std::vector<int> ys;
    const auto size = static_cast<std::int64_t>(ring.size());
    if (size == 0)
        return ys;
    auto item = [&](std::int64_t i) { return int(ring[std::size_t(((i % size) + size) % size)]); };
    if (timeAxis) {
        for (int x = 0; x < 256; ++x)
            ys.push_back(63 - item(start + x) / 4);
        return ys;
    }
    const auto stepQ16 = static_cast<std::int64_t>(itemsPerPixel * 65536.0);
    std::int64_t posQ16 = start << 16;
    for (int x = 0; x < 255; ++x) {
        const std::int64_t from = posQ16 >> 16;
        posQ16 += stepQ16;
        const std::int64_t to = std::max(from + 1, posQ16 >> 16);
        std::int64_t sum = 0;
        for (std::int64_t i = from; i < to; ++i)
            sum += item(i);
        ys.push_back(63 - int(sum / (to - from)) / 4);
    }
    return ys;
}

} // namespace tellur::ui
