// Tone output into a 16-bit mono WAV file at 11025 S/s, written block by block as the tone
// generator hands them on, so memory stays that of one block however long the transmission.
// The file grows under a temporary name of its own beside the target and replaces the target only
// on commit(), so a failed or killed encoding never damages a file that was there before.
// Owned by one thread.
#pragma once

#include "signal/tone_generator.h"

#include <filesystem>
#include <memory>
#include <string>

struct sf_private_tag;

namespace tellur::signal {

class WaveFileSink final : public ToneBlockSink {
public:
    // nullptr with a one-line reason when the file cannot be created.
    static std::unique_ptr<WaveFileSink> create(const std::filesystem::path& target, std::string& error);
    ~WaveFileSink() override; // removes the temporary file unless committed
    WaveFileSink(const WaveFileSink&) = delete;
    WaveFileSink& operator=(const WaveFileSink&) = delete;

    // Throws ToneOutputError on a short write (full disk).
    void writeBlock(std::span<const std::int16_t> samples, int durationMs) override;
    // Closes the file and puts it in place of the target.
    bool commit(std::string& error);
    std::int64_t samples() const { return m_samples; }

private:
    WaveFileSink() = default;
    std::filesystem::path m_target, m_tmp;
    sf_private_tag* m_file = nullptr;
    std::int64_t m_samples = 0;
    bool m_committed = false;
};

} // namespace tellur::signal
