// Streaming sample-rate conversion to the soundcard rate (libsoxr), for recordings and raw
// input at other rates. Owned by one reader thread.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

struct soxr;

namespace tellur::signal {

class Resampler {
public:
    explicit Resampler(double inRate, double outRate = 11025.0);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // No conversion needed: process() only scales and clips.
    bool passthrough() const { return m_soxr == nullptr; }
    // Input in full scale -1..1; appends 16-bit output (clipped) to out.
    void process(std::span<const float> in, std::vector<std::int16_t>& out);
    // End of input: appends what the filter still holds.
    void flush(std::vector<std::int16_t>& out);

    static std::int16_t toPcm16(float v);

private:
    void run(const float* in, std::size_t n, std::vector<std::int16_t>& out);
    soxr* m_soxr = nullptr;
    double m_ratio = 1.0;
    std::vector<float> m_buf;
};

} // namespace tellur::signal
