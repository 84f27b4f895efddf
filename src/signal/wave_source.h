// Sound files as a source of soundcard samples (libsndfile): any format the library reads, the
// first channel, converted to 11025 S/s 16-bit. The GUI's "decode from wave file" accepts only
// files already in the capture format (isStationFormat()); the command-line tool takes anything.
//
// Owned by one reader thread (the playback thread or the CLI loop). Never throws after open.
#pragma once

#include "signal/resampler.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct sf_private_tag;

namespace tellur::signal {

namespace detail {
struct MemoryImage {
    std::vector<std::uint8_t> bytes;
    std::int64_t pos = 0;
};
} // namespace detail

inline constexpr const char* kWrongWaveFormatMessage =
    "Sorry, wrong wave file format. Must be 11025 Samples/s, 16 Bit, Mono.";

// Sample rates a recording may have; outside them a file is refused (a rate of a few S/s would
// make the resampler produce gigabytes from a tiny file).
inline constexpr int kMinSampleRate = 2000;
inline constexpr int kMaxSampleRate = 384000;

struct WaveFormat {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0; // 0 for compressed or float formats
    bool pcm = false;      // integer PCM
    bool wav = false;      // a RIFF/WAVE container
    std::int64_t frames = 0;
};

class WaveSource {
public:
    ~WaveSource();
    WaveSource(const WaveSource&) = delete;
    WaveSource& operator=(const WaveSource&) = delete;

    // nullptr with a one-line reason in error when the file cannot be read.
    static std::unique_ptr<WaveSource> open(const std::filesystem::path& path, std::string& error);
    // The same for a file image in memory (parsers under test, fuzzing).
    static std::unique_ptr<WaveSource> openMemory(std::vector<std::uint8_t> bytes, std::string& error);

    const WaveFormat& format() const { return m_format; }
    // The capture format: PCM WAV, 16 bit, mono, 11025 S/s.
    bool isStationFormat() const;

    // Up to out.size() samples at 11025 S/s; 0 at the end of the file (or on a read error).
    std::size_t read(std::span<std::int16_t> out);
    // Data bytes still unread, for files at 11025 S/s (16-bit mono files: exactly what a
    // 1024-byte block reader still gets).
    std::int64_t bytesLeft() const
    {
        return (m_format.frames - m_framesRead + static_cast<std::int64_t>(m_pendingOut.size() - m_pendingPos)) * 2;
    }

private:
    WaveSource() = default;
    bool init(std::string& error);
    std::size_t fill();

    std::unique_ptr<detail::MemoryImage> m_memory;
    sf_private_tag* m_file = nullptr;
    WaveFormat m_format;
    std::int64_t m_framesRead = 0;
    std::unique_ptr<Resampler> m_resampler;
    std::vector<std::int16_t> m_pendingOut; // resampled, not yet handed out
    std::size_t m_pendingPos = 0;
    bool m_eof = false;
};

} // namespace tellur::signal
