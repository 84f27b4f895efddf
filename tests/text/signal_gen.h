// Test signal generators for the text decoders: 0/255 ring items (0 = mark) as the RTTY
// demodulators deliver them, for Baudot and for SITOR-B (with optional corrupted characters),
// and receiver audio keyed by such items.
#pragma once

#include "text/text_codes.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <set>
#include <string>
#include <vector>

namespace tellur::text::testgen {

// Appends `bits` (each 0 or 1, 1 = mark) at `itemsPerBit` items per bit with exact fractional timing.
class ItemWriter {
public:
    explicit ItemWriter(double itemsPerBit) : m_itemsPerBit(itemsPerBit) {}
    void bit(int b, double lengthBits = 1.0)
    {
        m_end += lengthBits * m_itemsPerBit;
        while (static_cast<double>(m_items.size()) < m_end - 1e-9)
            m_items.push_back(b ? 0 : 255);
    }
    std::vector<std::uint16_t>& items() { return m_items; }

private:
    double m_itemsPerBit;
    double m_end = 0;
    std::vector<std::uint16_t> m_items;
};

// Baudot codes for a text, with the shifts it needs (letters first).
inline std::vector<std::uint8_t> baudotCodes(const std::string& text)
{
    std::vector<std::uint8_t> codes{kBaudotLetters};
    bool figures = false;
    for (char ch : text) {
        int letters = -1, figs = -1;
        for (int i = 0; i < 32; ++i) {
            if (kBaudotTable[static_cast<std::size_t>(i)] == ch && letters < 0)
                letters = i;
            if (kBaudotTable[static_cast<std::size_t>(i + 32)] == ch && figs < 0)
                figs = i;
        }
        if (letters >= 0 && (!figures || figs < 0)) {
            if (figures && figs < 0) {
                codes.push_back(kBaudotLetters);
                figures = false;
            }
            codes.push_back(static_cast<std::uint8_t>(letters));
        } else if (figs >= 0) {
            if (!figures) {
                codes.push_back(kBaudotFigures);
                figures = true;
            }
            codes.push_back(static_cast<std::uint8_t>(figs));
        }
    }
    return codes;
}

// 1 start bit, 5 data bits (first = bit 0), 1.5 stop bits; idleBits of mark before and after.
inline std::vector<std::uint16_t> baudotItems(const std::string& text, double itemsPerBit, double idleBits = 10)
{
    ItemWriter w(itemsPerBit);
    w.bit(1, idleBits);
    for (std::uint8_t code : baudotCodes(text)) {
        w.bit(0);
        for (int b = 0; b < 5; ++b)
            w.bit((code >> b) & 1);
        w.bit(1, 1.5);
    }
    w.bit(1, idleBits);
    return std::move(w.items());
}

// SITOR-B code of one character in the current shift, with shift codes inserted as needed.
inline std::vector<std::uint8_t> fecCodes(const std::string& text)
{
    const auto& table = fecTable();
    std::vector<std::uint8_t> codes{kFecLetters};
    bool figures = false;
    for (char ch : text) {
        int letters = -1, figs = -1;
        for (int c = 0; c < 128; ++c) {
            if (table[static_cast<std::size_t>(c)] == ch && letters < 0)
                letters = c;
            if (table[static_cast<std::size_t>(c + 128)] == ch && figs < 0)
                figs = c;
        }
        if (letters >= 0 && (!figures || figs < 0)) {
            if (figures && figs < 0) {
                codes.push_back(kFecLetters);
                figures = false;
            }
            codes.push_back(static_cast<std::uint8_t>(letters));
        } else if (figs >= 0) {
            if (!figures) {
                codes.push_back(kFecFigures);
                figures = true;
            }
            codes.push_back(static_cast<std::uint8_t>(figs));
        }
    }
    return codes;
}

struct FecOptions {
    int phasingPairs = 12;
    bool endOfEmission = true;
    std::set<std::size_t> corruptBoth; // character code positions (in fecCodes order) broken in DX and RX
    std::set<std::size_t> corruptDx;   // broken in DX only
    double itemsPerBit = 73.5;         // 7350 items/s at 100 Bd
    double leadBits = 20;
};

// DX slots carry the phasing signal 4C and RX slots 07 during phasing; each character is
// repeated in the RX slot five positions after its DX slot.
inline std::vector<std::uint16_t> fecItems(const std::string& text, const FecOptions& opt = {})
{
    std::vector<std::uint8_t> codes = fecCodes(text);
    auto broken = [](std::uint8_t c) { return static_cast<std::uint8_t>(c ^ 0x01); }; // 2 or 4 marks
    std::vector<std::uint8_t> dx(static_cast<std::size_t>(opt.phasingPairs), kFecPhasingBeta);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        std::uint8_t c = codes[i];
        dx.push_back(opt.corruptBoth.count(i) || opt.corruptDx.count(i) ? broken(c) : c);
    }
    const std::size_t messageEnd = dx.size();
    if (opt.endOfEmission)
        for (int i = 0; i < 3; ++i)
            dx.push_back(kFecPhasingAlpha);
    dx.push_back(kFecPhasingAlpha);
    dx.push_back(kFecPhasingAlpha);
    std::vector<std::uint8_t> slots;
    for (std::size_t m = 0; m < dx.size(); ++m) {
        slots.push_back(dx[m]);
        std::uint8_t rx = kFecPhasingAlpha;
        if (m >= 2 && m - 2 >= static_cast<std::size_t>(opt.phasingPairs) && m - 2 < messageEnd) {
            std::size_t i = m - 2 - static_cast<std::size_t>(opt.phasingPairs);
            rx = opt.corruptBoth.count(i) ? broken(codes[i]) : codes[i];
        } else if (m >= 2 && m - 2 < static_cast<std::size_t>(opt.phasingPairs)) {
            rx = kFecPhasingAlpha;
        }
        slots.push_back(rx);
    }
    ItemWriter w(opt.itemsPerBit);
    w.bit(1, opt.leadBits);
    for (std::uint8_t code : slots)
        for (int b = 6; b >= 0; --b)
            w.bit((code >> b) & 1);
    w.bit(1, opt.leadBits);
    return std::move(w.items());
}

// Phase-continuous FSK audio keyed by items made at rate / baud items per bit: mark (item 0)
// on the lower tone, space half a shift above the centre.
inline std::vector<std::int16_t> fskAudio(const std::vector<std::uint16_t>& items, double centerHz = 1360,
                                          double shiftHz = 170, double rate = 11025)
{
    std::vector<std::int16_t> audio;
    audio.reserve(items.size());
    double phase = 0;
    for (std::uint16_t item : items) {
        const double hz = centerHz + (item == 0 ? -shiftHz : shiftHz) / 2;
        phase = std::fmod(phase + 2 * std::numbers::pi * hz / rate, 2 * std::numbers::pi);
        audio.push_back(static_cast<std::int16_t>(std::lround(12000 * std::sin(phase))));
    }
    return audio;
}

// A NAVTEX emission as 11025 S/s receiver audio on the NAVTEX row's tones.
inline std::vector<std::int16_t> navtexAudio(const std::string& text, FecOptions opt = {})
{
    opt.itemsPerBit = 110.25;
    opt.leadBits = 100;
    return fskAudio(fecItems(text, opt));
}

} // namespace tellur::text::testgen
