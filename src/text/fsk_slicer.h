// Two-tone energy slicer for the text modes: turns 11025 S/s audio into 0/255 ring items
// (0 = mark, the lower tone unless reversed, as the soundcard demodulators deliver it) at 7350 items/s, the format the bit decoders read.
// Each tone is mixed to zero and averaged over one bit; the stronger tone wins. Used by the
// command-line decoder; owned by its caller, one thread, no allocation per sample.
#pragma once

#include <complex>
#include <cstdint>
#include <span>
#include <vector>

namespace tellur::text {

class FskSlicer {
public:
    static constexpr double kInputRate = 11025.0;

    FskSlicer(double centerHz, double shiftHz, double baud, bool reverse);
    void reset();
    // Appends one item per 1.5 input samples to out.
    void process(std::span<const std::int16_t> pcm, std::vector<std::uint16_t>& out);

private:
    std::complex<double> m_markStep, m_spaceStep, m_markOsc{1, 0}, m_spaceOsc{1, 0};
    std::vector<std::complex<double>> m_markHist, m_spaceHist;
    std::complex<double> m_markSum{}, m_spaceSum{};
    std::size_t m_pos = 0;
    std::uint64_t m_inCount = 0;
    bool m_reverse;
};

} // namespace tellur::text
