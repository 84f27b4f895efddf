#include "fax/fax_transmitter.h"

#include "core/numeric.h"
#include "fax/fax_header.h"
#include "fax/grey_tables.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace tellur::fax {

namespace {
constexpr std::size_t kChunk = 1000;

const char* const kStatus[] = {"Transmitting start tone", "Transmitting phase signal", "Transmitting phase end",
                               "Transmitting header", "Transmitting picture", "Transmitting stop signal"};
} // namespace

std::array<std::uint8_t, 256> faxTransmitTable(bool ptc)
{
    GreyTables t;
    t.fillTransmitTable(ptc);
    std::array<std::uint8_t, 256> out{};
    for (int i = 0; i < 256; ++i)
        out[static_cast<std::size_t>(i)] = t.transmitCode(i);
    return out;
}

bool callSignUsable(std::string_view callSign)
{
    return trimmed(callSign).size() > 2;
}

FaxTransmitter::FaxTransmitter(const FaxTransmitSettings& settings, const storage::TDI8Bitmap& picture,
                               TextMaskRenderer* text)
    : m_settings(settings)
{
    m_codes = faxTransmitTable(settings.ptc);
    m_white = m_codes[255];
    m_black = m_codes[0];
    m_n = std::max<std::int32_t>(settings.mode.pixelsPerLine, 1);
    const std::int32_t lpm = settings.lpm > 0 ? settings.lpm : 120;
    m_rate = settings.dataRate + settings.txRateOffset;
    if (settings.ptc)
        m_rate /= 2.0;
    m_samplesPerLine = m_rate / (lpm / 60.0);
    m_samplesPerPixel = m_samplesPerLine / m_n;
    m_margin = static_cast<int>(roundHalfEven(m_n * 0.05));
    m_c1 = static_cast<int>(roundHalfEven(lpm / 60.0 * 4.0));
    m_c2 = static_cast<int>(roundHalfEven(lpm / 60.0 * 10.0));

    m_sourceWidth = picture.width();
    m_sourceHeight = picture.fullHeight();
    const int usable = std::max(m_n - m_margin, 1);
    m_columns.assign(static_cast<std::size_t>(m_n), 0);
    for (int i = m_margin; i < m_n; ++i)
        m_columns[static_cast<std::size_t>(i)] =
            static_cast<std::int32_t>(std::trunc(double(m_sourceWidth) / usable * (i - m_margin)));
    m_pictureLines = static_cast<int>(std::trunc(double(m_sourceHeight) * usable / m_sourceWidth));
    m_verticalStepE4 = roundHalfEven(double(m_sourceWidth) / usable * 10000.0);

    // The palette grey of every pixel, so that the thread never reads the window's picture.
    std::array<std::uint8_t, 256> paletteGrey{};
    for (int i = 0; i < 256; ++i) {
        const auto c = picture.getColour(i);
        paletteGrey[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(
            (3 * storage::colourRed(c) + 6 * storage::colourGreen(c) + storage::colourBlue(c)) / 10);
    }
    m_sourceGrey.resize(std::size_t(m_sourceWidth) * std::size_t(m_sourceHeight));
    for (int y = 0; y < m_sourceHeight; ++y)
        for (int x = 0; x < m_sourceWidth; ++x)
            m_sourceGrey[std::size_t(y) * std::size_t(m_sourceWidth) + std::size_t(x)] =
                paletteGrey[picture.getPixel(x, y)];

    const bool inverted = settings.mode.phaseMode == PhaseInverted;
    const std::uint8_t body = inverted ? m_white : m_black, pulse = inverted ? m_black : m_white;
    m_phasingLine.assign(static_cast<std::size_t>(m_n), body);
    m_phaseEndLine.assign(static_cast<std::size_t>(m_n), pulse);
    for (int i = 0; i < m_margin && i < m_n; ++i) {
        m_phasingLine[static_cast<std::size_t>(i)] = pulse;
        m_phaseEndLine[static_cast<std::size_t>(i)] = body;
    }
    prepareToneLine(m_startLine, settings.mode.startHz != 0 ? settings.mode.startHz : 300);
    prepareToneLine(m_stopLine, settings.mode.stopHz != 0 ? settings.mode.stopHz : 450);
    drawHeader(text, settings.callSign, settings.handle);
    enterPhase(0, m_c1);
}

std::int64_t FaxTransmitter::halfPeriodE4(int toneHz) const
{
    const std::int32_t lpm = m_settings.lpm > 0 ? m_settings.lpm : 120;
    return roundHalfEven(double(lpm) * m_n / (double(toneHz) * 120.0) * 10000.0);
}

void FaxTransmitter::prepareToneLine(std::vector<std::uint8_t>& line, int toneHz) const
{
    const std::int64_t h = std::max<std::int64_t>(halfPeriodE4(toneHz), 1);
    line.assign(static_cast<std::size_t>(m_n + 1), m_black);
    bool white = false;
    std::int64_t acc = 0;
    for (auto& px : line) {
        px = white ? m_white : m_black;
        acc += 10000;
        if (acc > h) {
            white = !white;
            acc -= h;
        }
    }
}

void FaxTransmitter::drawHeader(TextMaskRenderer* text, std::string_view callSign, std::string_view handle)
{
    constexpr int kRows = 16;
    const int w = m_n;
    m_header.assign(static_cast<std::size_t>(w * kRows), 255);
    auto put = [&](int x, int y, std::uint8_t v) {
        if (x >= 0 && x < w && y >= 0 && y < kRows)
            m_header[static_cast<std::size_t>(y * w + x)] = v;
    };
    std::string call = "  " + trimmed(callSign) + "  ";
    for (auto& c : call)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const FontSpec font{.family = "Verdana", .pointSize = 16, .bold = true};
    int end = m_margin;
    if (text) {
        const TextMask mask = text->render(call, font);
        for (int y = 0; y < mask.height; ++y)
            for (int x = 0; x < mask.width; ++x)
                if (mask.at(x, y) >= 128)
                    put(m_margin + x, y, 0);
        end = std::min(w, m_margin + mask.width);
    }
    for (int x = end; x < w; ++x) {
        const double t = double(x - end) / double(w - end);
        const auto g = static_cast<std::uint8_t>(255 - roundHalfEven(t * 255.0));
        for (int y = 0; y < kRows; ++y)
            put(x, y, g);
    }
    if (text && !trimmed(handle).empty()) {
        const TextMask mask = text->render(handle, font);
        const int left = w - 5 - mask.width;
        for (int y = 0; y < mask.height; ++y)
            for (int x = 0; x < mask.width; ++x)
                if (mask.at(x, y) >= 128)
                    put(left + x, y, 255);
    }
}

void FaxTransmitter::enterPhase(int phase, int gaugeMax)
{
    m_phase = phase;
    m_counter = 0;
    m_gaugeMax = gaugeMax;
}

std::string FaxTransmitter::status() const
{
    return kStatus[std::clamp(m_phase.load(), 0, 5)];
}

void FaxTransmitter::abort()
{
    m_abortRequested = true;
}

bool FaxTransmitter::nextLine(std::vector<std::uint8_t>& line)
{
    if (m_done)
        return false;
    if (m_abortRequested.exchange(false) && m_phase != 5)
        enterPhase(5, m_c1);
    const std::size_t n = static_cast<std::size_t>(m_n);
    switch (m_phase.load()) {
    case 0:
        line = m_startLine;
        if (++m_counter >= m_c1)
            enterPhase(1, m_c2);
        break;
    case 1:
        line = m_phasingLine;
        if (++m_counter >= m_c2)
            enterPhase(2, 3);
        break;
    case 2:
        line = m_phaseEndLine;
        if (++m_counter >= 3)
            enterPhase(3, m_pictureLines);
        break;
    case 3: {
        line.assign(n, m_white);
        const int row = m_counter;
        for (std::size_t j = 0; j < n; ++j)
            line[j] = m_codes[m_header[std::size_t(row) * n + j]];
        if (++m_counter >= 16)
            enterPhase(4, m_pictureLines);
        break;
    }
    case 4: {
        line.assign(n, m_white);
        const auto row = static_cast<int>(roundHalfEven(double(m_verticalPosE4) / 10000.0));
        if (row >= 0 && row < m_sourceHeight) {
            const std::uint8_t* src = m_sourceGrey.data() + std::size_t(row) * std::size_t(m_sourceWidth);
            for (int i = m_margin; i < m_n; ++i) {
                const std::int32_t c = m_columns[static_cast<std::size_t>(i)];
                line[static_cast<std::size_t>(i)] = m_codes[c < m_sourceWidth ? src[c] : 255];
            }
        }
        m_verticalPosE4 += m_verticalStepE4;
        if (++m_counter >= m_pictureLines)
            enterPhase(5, m_c1);
        break;
    }
    default:
        if (m_counter >= m_c1) {
            m_done = true;
            return false;
        }
        line = m_stopLine;
        if (++m_counter >= m_c1)
            m_done = true;
        break;
    }
    return true;
}

void FaxTransmitter::lineToCodes(std::span<const std::uint8_t> line, std::vector<std::uint8_t>& out)
{
    if (line.empty())
        return;
    const double lineE4 = m_samplesPerLine * 10000.0;
    const double pixelE4 = m_samplesPerPixel * 10000.0;
    double p = double(m_lineAccE4);
    std::size_t k = 0;
    while (double(m_lineAccE4) < lineE4) {
        out.push_back(line[std::min(k, line.size() - 1)]);
        p += 10000;
        if (p >= pixelE4) {
            p -= pixelE4;
            ++k;
        }
        m_lineAccE4 += 10000;
    }
    m_lineAccE4 -= roundHalfEven(lineE4);
}

std::vector<std::uint8_t> FaxTransmitter::allCodes()
{
    std::vector<std::uint8_t> out;
    while (nextLine(m_lineBuf))
        lineToCodes(m_lineBuf, out);
    return out;
}

void FaxTransmitter::writeAll(signal::CodeSink& sink)
{
    std::vector<std::uint8_t> codes;
    while (nextLine(m_lineBuf)) {
        codes.clear();
        lineToCodes(m_lineBuf, codes);
        sink.write(codes);
    }
}

bool FaxTransmitter::pump(signal::CodeSink& sink)
{
    if (m_pendingPos >= m_pending.size()) {
        m_pending.clear();
        m_pendingPos = 0;
        if (!nextLine(m_lineBuf))
            return false;
        lineToCodes(m_lineBuf, m_pending);
    }
    if (sink.freeRoom() < kChunk)
        return true;
    const std::size_t n = std::min(kChunk, m_pending.size() - m_pendingPos);
    sink.write(std::span<const std::uint8_t>(m_pending.data() + m_pendingPos, n));
    m_pendingPos += n;
    return true;
}

} // namespace tellur::fax
