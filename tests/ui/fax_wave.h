// A HF-FAX recording made by the station's own FAX transmitter: its tone codes turned into a
// phase-continuous FM tone at 11025 S/s, written as a 16-bit mono wave file.
#pragma once

#include "settings/fax_mode_table.h"
#include "fax/fax_transmitter.h"
#include "storage/di8_bitmap.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <vector>

namespace tellur::ui::test {

inline void writeWave(const std::filesystem::path& file, const std::vector<std::int16_t>& samples, int rate = 11025,
                      int channels = 1)
{
    std::ofstream out(file, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto bytes = std::uint32_t(samples.size() * 2);
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(std::uint16_t(channels));
    u32(std::uint32_t(rate));
    u32(std::uint32_t(rate * 2 * channels));
    u16(std::uint16_t(2 * channels));
    u16(16);
    out.write("data", 4);
    u32(bytes);
    out.write(reinterpret_cast<const char*>(samples.data()), std::streamsize(bytes));
}

// A chart of `lines` picture lines (bars and a frame) sent with the row's tones and phasing.
inline std::vector<std::int16_t> hfFaxAudio(int lines, double silenceSeconds = 1.0)
{
    const fax::FaxModeRecord mode = fax::kDefaultFaxModes[0];
    storage::TDI8Bitmap picture(mode.pixelsPerLine, lines);
    // Isobar-like rings on a light ground with a grid, so a screen shows something chart-like.
    const double cx = mode.pixelsPerLine * 0.4, cy = lines * 0.6;
    for (int y = 0; y < lines; ++y)
        for (int x = 0; x < mode.pixelsPerLine; ++x) {
            const double d = std::hypot((x - cx) / 2.0, y - cy);
            const bool ring = std::fmod(d, 40.0) < 3.0;
            const bool grid = x % 300 < 3 || y % 150 < 2;
            picture.setPixel(x, y, std::uint8_t(ring || grid ? 20 : 235));
        }
    fax::FaxTransmitSettings s;
    s.mode = mode;
    s.lpm = mode.lpm;
    fax::FaxTransmitter tx(s, picture, nullptr);
    const std::vector<std::uint8_t> codes = tx.allCodes();

    std::vector<std::int16_t> audio(std::size_t(silenceSeconds * 11025), 0);
    const double codesPerSample = tx.rate() / 11025.0;
    double phase = 0.0;
    for (double t = 0; t < double(codes.size()); t += codesPerSample) {
        const std::uint8_t c = codes[std::size_t(t)];
        if (c == 0) {
            audio.push_back(0);
            continue;
        }
        const double hz = 1000.0 + c * 1400.0 / 255.0;
        phase += 2.0 * std::numbers::pi * hz / 11025.0;
        audio.push_back(std::int16_t(std::lround(12000.0 * std::sin(phase))));
    }
    audio.insert(audio.end(), std::size_t(silenceSeconds * 11025), 0);
    return audio;
}

} // namespace tellur::ui::test
