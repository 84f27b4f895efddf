// The FAX transmitter's code stream: start tone, phasing, phase end, a 16-line header with the
// call sign and handle, the picture scaled to the line, and the stop tone, as tone codes.
//
// The transmitter thread (TTXThread) owns one FaxTransmitter and calls pump() in its loop; the
// window asks for progress and calls abort() from the GUI thread (an atomic flag). The picture is
// copied at construction, so the window's picture may change meanwhile.
#pragma once

#include "core/text_mask.h"
#include "settings/fax_mode_table.h"
#include "signal/code_sink.h"
#include "storage/di8_bitmap.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tellur::fax {

// The most picture lines a transmission carries after scaling to the line (a 16 pixel wide
// picture 32767 high would otherwise become millions of lines); taller pictures are refused.
inline constexpr int kMaxTransmitLines = 32767;

struct FaxTransmitSettings {
    FaxModeRecord mode;         // the current row
    std::int32_t lpm = 120;     // the receive window's current drum speed
    double dataRate = 7350.0;   // configuration offset 16
    double txRateOffset = 0.0;  // configuration offset 24
    bool ptc = false;           // PTC-II: half rate, its own code scale
    std::string callSign;       // configuration offset 40
    std::string handle;         // configuration offset 138
};

// Transmit code of each grey value (0 black .. 255 white) for the interface.
std::array<std::uint8_t, 256> faxTransmitTable(bool ptc);

// Whether a call sign allows transmitting (more than 2 characters once trimmed); otherwise the
// window shows "Please enter your Callsign in the configuration window first."
bool callSignUsable(std::string_view callSign);

class FaxTransmitter {
public:
    // text may be null: the header then carries the fade only.
    FaxTransmitter(const FaxTransmitSettings& settings, const storage::TDI8Bitmap& picture, TextMaskRenderer* text);

    // Timing and counts.
    double rate() const { return m_rate; }
    double samplesPerLine() const { return m_samplesPerLine; }
    double samplesPerPixel() const { return m_samplesPerPixel; }
    int margin() const { return m_margin; }
    int startLines() const { return m_c1; }   // start and stop tone lines
    int phasingLines() const { return m_c2; }
    int pictureLines() const { return m_pictureLines; }
    std::int64_t verticalStepE4() const { return m_verticalStepE4; }
    std::int32_t column(int i) const { return m_columns[static_cast<std::size_t>(i)]; }
    std::int64_t halfPeriodE4(int toneHz) const;

    int phase() const { return m_phase.load(); }
    int lineCounter() const { return m_counter.load(); }
    int gaugeMaximum() const { return m_gaugeMax.load(); }
    std::string status() const;
    bool done() const { return m_done.load(); }

    // "Abort TX": the stop tone follows at once.
    void abort();

    // The next line as pixel codes (the phase step); false once the stop tone has been sent.
    bool nextLine(std::vector<std::uint8_t>& line);
    // Converts a line to output codes with the carried accumulators (appends to out).
    void lineToCodes(std::span<const std::uint8_t> line, std::vector<std::uint8_t>& out);
    // The whole remaining transmission as codes.
    std::vector<std::uint8_t> allCodes();
    // The same, line by line into sink without pacing (encoding into a file): memory stays that of
    // one line however tall the picture.
    void writeAll(signal::CodeSink& sink);

    // One round of the thread loop against a sink: waits while the sink has less than 1000 codes of
    // room, hands over at most 1000 codes at a time. Returns false when finished.
    bool pump(signal::CodeSink& sink);

    // The prepared lines and the header bitmap (for tests and the picture window's preview).
    const std::vector<std::uint8_t>& phasingLine() const { return m_phasingLine; }
    const std::vector<std::uint8_t>& phaseEndLine() const { return m_phaseEndLine; }
    const std::vector<std::uint8_t>& startToneLine() const { return m_startLine; }
    const std::vector<std::uint8_t>& stopToneLine() const { return m_stopLine; }
    const std::vector<std::uint8_t>& header() const { return m_header; } // n × 16 grey values

private:
    void prepareToneLine(std::vector<std::uint8_t>& line, int toneHz) const;
    void drawHeader(TextMaskRenderer* text, std::string_view callSign, std::string_view handle);
    void enterPhase(int phase, int gaugeMax);

    FaxTransmitSettings m_settings;
    std::array<std::uint8_t, 256> m_codes{};
    std::uint8_t m_white = 0, m_black = 0;
    int m_n = 0;
    double m_rate = 0, m_samplesPerLine = 0, m_samplesPerPixel = 0;
    int m_margin = 0, m_c1 = 0, m_c2 = 0, m_pictureLines = 0;
    std::int64_t m_verticalStepE4 = 0, m_verticalPosE4 = 0;
    std::vector<std::int32_t> m_columns;
    int m_sourceWidth = 0, m_sourceHeight = 0;
    std::vector<std::uint8_t> m_sourceGrey; // the picture's palette greys, row by row

    std::vector<std::uint8_t> m_phasingLine, m_phaseEndLine, m_startLine, m_stopLine, m_header;

    std::atomic<int> m_phase{0};
    std::atomic<int> m_counter{0};
    std::atomic<int> m_gaugeMax{0};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_abortRequested{false};

    std::int64_t m_lineAccE4 = 0;
    std::vector<std::uint8_t> m_pending; // codes of the current line still to hand over
    std::size_t m_pendingPos = 0;
    std::vector<std::uint8_t> m_lineBuf;
};

} // namespace tellur::fax
