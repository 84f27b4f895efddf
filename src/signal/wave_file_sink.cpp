#include "signal/wave_file_sink.h"

#include "core/durable_file.h"
#include "signal/demodulators.h"

#include <sndfile.h>

#include <system_error>

namespace tellur::signal {

std::unique_ptr<WaveFileSink> WaveFileSink::create(const std::filesystem::path& target, std::string& error)
{
    std::unique_ptr<WaveFileSink> sink(new WaveFileSink);
    sink->m_target = target;
    sink->m_tmp = uniqueTempPath(target);
    SF_INFO info{};
    info.samplerate = kSoundcardRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    sink->m_file = sf_open(sink->m_tmp.c_str(), SFM_WRITE, &info);
    if (!sink->m_file) {
        error = "cannot write " + target.string() + ": " + sf_strerror(nullptr);
        return nullptr;
    }
    return sink;
}

WaveFileSink::~WaveFileSink()
{
    if (m_file)
        sf_close(m_file);
    if (!m_committed) {
        std::error_code ec;
        std::filesystem::remove(m_tmp, ec);
    }
}

void WaveFileSink::writeBlock(std::span<const std::int16_t> samples, int)
{
    const auto n = sf_write_short(m_file, samples.data(), static_cast<sf_count_t>(samples.size()));
    if (n != static_cast<sf_count_t>(samples.size()))
        throw ToneOutputError("cannot write " + m_target.string() + ": disk full?");
    m_samples += n;
}

bool WaveFileSink::commit(std::string& error)
{
    const bool closed = sf_close(m_file) == 0;
    m_file = nullptr;
    if (!closed || !replaceWithTempFile(m_tmp, m_target)) {
        error = "cannot write " + m_target.string();
        return false;
    }
    m_committed = true;
    return true;
}

} // namespace tellur::signal
