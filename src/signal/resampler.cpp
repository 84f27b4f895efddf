#include "signal/resampler.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace tellur::signal {

Resampler::Resampler(double inRate, double outRate)
{
    if (!(inRate > 0) || !(outRate > 0))
        throw std::invalid_argument("sample rate must be positive");
    if (inRate == outRate)
        return;
    m_ratio = outRate / inRate;
    soxr_error_t err = nullptr;
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    soxr_quality_spec_t q = soxr_quality_spec(SOXR_HQ, 0);
    m_soxr = soxr_create(inRate, outRate, 1, &err, &io, &q, nullptr);
    if (err || !m_soxr)
        throw std::runtime_error(std::string("resampler: ") + (err ? err : "cannot be created"));
}

Resampler::~Resampler()
{
    if (m_soxr)
        soxr_delete(m_soxr);
}

std::int16_t Resampler::toPcm16(float v)
{
    float s = std::nearbyint(v * 32768.0f);
    return static_cast<std::int16_t>(std::clamp(s, -32768.0f, 32767.0f));
}

void Resampler::run(const float* in, std::size_t n, std::vector<std::int16_t>& out)
{
    std::size_t capacity = static_cast<std::size_t>(static_cast<double>(n) * m_ratio) + 256;
    m_buf.resize(capacity);
    std::size_t consumed = 0;
    for (;;) {
        std::size_t idone = 0, odone = 0;
        soxr_error_t err = soxr_process(m_soxr, in ? in + consumed : nullptr, in ? n - consumed : 0, &idone,
                                        m_buf.data(), m_buf.size(), &odone);
        if (err)
            throw std::runtime_error(std::string("resampler: ") + err);
        for (std::size_t i = 0; i < odone; ++i)
            out.push_back(toPcm16(m_buf[i]));
        consumed += idone;
        if (in ? consumed >= n && odone < m_buf.size() : odone == 0)
            break;
    }
}

void Resampler::process(std::span<const float> in, std::vector<std::int16_t>& out)
{
    if (!m_soxr) {
        for (float v : in)
            out.push_back(toPcm16(v));
        return;
    }
    if (!in.empty())
        run(in.data(), in.size(), out);
}

void Resampler::flush(std::vector<std::int16_t>& out)
{
    if (m_soxr)
        run(nullptr, 0, out);
}

} // namespace tellur::signal
