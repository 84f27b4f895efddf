#include "signal/wave_source.h"

#include "signal/demodulators.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>

namespace tellur::signal {
namespace {

// Frames a single read may take from the file (bounds memory for many-channel files).
constexpr std::int64_t kReadFrames = 4096;
// Channel counts beyond this are not sound recordings but damaged headers.
constexpr int kMaxChannels = 256;

sf_count_t memLength(void* user)
{
    auto* m = static_cast<detail::MemoryImage*>(user);
    return static_cast<sf_count_t>(m->bytes.size());
}

sf_count_t memSeek(sf_count_t offset, int whence, void* user)
{
    auto* m = static_cast<detail::MemoryImage*>(user);
    std::int64_t size = static_cast<std::int64_t>(m->bytes.size());
    std::int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->pos : size;
    std::int64_t target = base + offset;
    if (target < 0)
        return -1;
    m->pos = target;
    return target;
}

sf_count_t memRead(void* ptr, sf_count_t count, void* user)
{
    auto* m = static_cast<detail::MemoryImage*>(user);
    std::int64_t size = static_cast<std::int64_t>(m->bytes.size());
    if (count <= 0 || m->pos >= size)
        return 0;
    std::int64_t n = std::min<std::int64_t>(count, size - m->pos);
    std::memcpy(ptr, m->bytes.data() + m->pos, static_cast<std::size_t>(n));
    m->pos += n;
    return n;
}

sf_count_t memWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t memTell(void* user)
{
    return static_cast<detail::MemoryImage*>(user)->pos;
}

int bitsOf(int subtype)
{
    switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return 8;
    case SF_FORMAT_PCM_16: return 16;
    case SF_FORMAT_PCM_24: return 24;
    case SF_FORMAT_PCM_32: return 32;
    default: return 0;
    }
}

} // namespace

WaveSource::~WaveSource()
{
    if (m_file)
        sf_close(m_file);
}

std::unique_ptr<WaveSource> WaveSource::open(const std::filesystem::path& path, std::string& error)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = "cannot open " + path.string() + ": no such file";
        return nullptr;
    }
    std::unique_ptr<WaveSource> src(new WaveSource);
    SF_INFO info{};
    src->m_file = sf_open(path.c_str(), SFM_READ, &info);
    if (!src->m_file) {
        error = "cannot read " + path.string() + ": " + sf_strerror(nullptr);
        return nullptr;
    }
    if (!src->init(error))
        return nullptr;
    return src;
}

std::unique_ptr<WaveSource> WaveSource::openMemory(std::vector<std::uint8_t> bytes, std::string& error)
{
    std::unique_ptr<WaveSource> src(new WaveSource);
    src->m_memory = std::make_unique<detail::MemoryImage>();
    src->m_memory->bytes = std::move(bytes);
    static SF_VIRTUAL_IO io{memLength, memSeek, memRead, memWrite, memTell};
    SF_INFO info{};
    src->m_file = sf_open_virtual(&io, SFM_READ, &info, src->m_memory.get());
    if (!src->m_file) {
        error = std::string("cannot read sound data: ") + sf_strerror(nullptr);
        return nullptr;
    }
    if (!src->init(error))
        return nullptr;
    return src;
}

bool WaveSource::init(std::string& error)
{
    SF_INFO info{};
    sf_command(m_file, SFC_GET_CURRENT_SF_INFO, &info, sizeof info);
    if (info.channels < 1 || info.channels > kMaxChannels) {
        error = "sound file has " + std::to_string(info.channels) + " channels";
        return false;
    }
    if (info.samplerate < kMinSampleRate || info.samplerate > kMaxSampleRate) {
        error = "sound file sample rate " + std::to_string(info.samplerate) + " S/s is outside " +
                std::to_string(kMinSampleRate) + ".." + std::to_string(kMaxSampleRate) + " S/s";
        return false;
    }
    int major = info.format & SF_FORMAT_TYPEMASK;
    int sub = info.format & SF_FORMAT_SUBMASK;
    m_format.sampleRate = info.samplerate;
    m_format.channels = info.channels;
    m_format.bitsPerSample = bitsOf(sub);
    m_format.pcm = m_format.bitsPerSample != 0;
    m_format.wav = major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX;
    m_format.frames = std::max<sf_count_t>(info.frames, 0);
    if (info.samplerate != kSoundcardRate) {
        try {
            m_resampler = std::make_unique<Resampler>(info.samplerate, kSoundcardRate);
        } catch (const std::exception& e) {
            error = e.what();
            return false;
        }
    }
    return true;
}

bool WaveSource::isStationFormat() const
{
    return m_format.wav && m_format.pcm && m_format.bitsPerSample == 16 && m_format.channels == 1 &&
           m_format.sampleRate == kSoundcardRate;
}

// Reads the next stretch of the file into m_pendingOut; returns the samples added.
std::size_t WaveSource::fill()
{
    if (m_eof)
        return 0;
    const auto ch = static_cast<std::size_t>(m_format.channels);
    m_pendingOut.erase(m_pendingOut.begin(), m_pendingOut.begin() + static_cast<std::ptrdiff_t>(m_pendingPos));
    m_pendingPos = 0;
    std::size_t before = m_pendingOut.size();
    if (!m_resampler) {
        std::vector<short> frames(static_cast<std::size_t>(kReadFrames) * ch);
        sf_count_t got = sf_readf_short(m_file, frames.data(), kReadFrames);
        if (got <= 0) {
            m_eof = true;
            return 0;
        }
        m_framesRead += got;
        for (sf_count_t i = 0; i < got; ++i)
            m_pendingOut.push_back(frames[static_cast<std::size_t>(i) * ch]);
    } else {
        std::vector<float> frames(static_cast<std::size_t>(kReadFrames) * ch);
        sf_count_t got = sf_readf_float(m_file, frames.data(), kReadFrames);
        if (got <= 0) {
            m_eof = true;
            m_resampler->flush(m_pendingOut);
            return m_pendingOut.size() - before;
        }
        m_framesRead += got;
        std::vector<float> first(static_cast<std::size_t>(got));
        for (sf_count_t i = 0; i < got; ++i)
            first[static_cast<std::size_t>(i)] = frames[static_cast<std::size_t>(i) * ch];
        m_resampler->process(first, m_pendingOut);
    }
    return m_pendingOut.size() - before;
}

std::size_t WaveSource::read(std::span<std::int16_t> out)
{
    std::size_t done = 0;
    while (done < out.size()) {
        if (m_pendingPos == m_pendingOut.size()) {
            if (m_eof)
                break;
            fill();
            continue;
        }
        std::size_t n = std::min(out.size() - done, m_pendingOut.size() - m_pendingPos);
        std::copy_n(m_pendingOut.begin() + static_cast<std::ptrdiff_t>(m_pendingPos), n, out.begin() + static_cast<std::ptrdiff_t>(done));
        m_pendingPos += n;
        done += n;
    }
    return done;
}

} // namespace tellur::signal
