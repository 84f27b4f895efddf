// The FAX mode table: sixteen 148-byte rows inside the station configuration (offset 6532) and
// the index of the current row (offset 5704). A row says which demodulator the interface runs
// (its demodulator number is the operating mode the FAX window requests), the drum speed, the
// picture geometry, start/stop and phasing, palette, zoom and window placement.
// Plain values; read and written field by field at the row's offsets.
#pragma once

#include "core/fixed_string.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace tellur {
class StationConfig;
}

namespace tellur::fax {

inline constexpr std::size_t kFaxModeRows = 16;
inline constexpr std::size_t kFaxModeRecordSize = 148;
inline constexpr std::size_t kFaxModeTableOffset = 6532;
inline constexpr std::size_t kCurrentFaxModeOffset = 5704;
inline constexpr std::int32_t kFaxWindowUnset = std::numeric_limits<std::int32_t>::max();

enum FaxPhaseMode : std::uint8_t { PhaseNormal = 0, PhaseInverted = 1, PhaseToneBurst = 2, PhaseNone = 3 };
enum FaxStartStopMode : std::uint8_t { StartStopSquelch = 0, StartStopTone = 1 };
// Equal to the operating modes 0..4.
enum FaxDemodulator : std::int32_t { DemodFm = 0, DemodAm = 1, DemodAmLog = 2, DemodPllLin = 3, DemodPllLog = 4 };

struct FaxModeRecord {
    FixedString<20> name;                  // FAXMODE_Modename; blank = row cannot be selected
    std::int32_t startHz = 0;              // FAXMODE_Start, 200..1200
    std::int32_t startLength = 0;          // FAXMODE_StartBW, periods, 5..75
    std::int32_t altStartHz = 0;           // FAXMODE_AltStart, 0 or 200..1200
    std::int32_t altStartLength = 0;       // FAXMODE_AltStartBW, 0 or 5..75
    std::int32_t stopHz = 0;               // FAXMODE_Stop, 200..700
    std::int32_t stopLength = 0;           // FAXMODE_StopBW, 5..75
    std::int32_t startThreshold = 0;       // FAXMODE_StartThreshold, 5..70000
    std::int32_t altStartThreshold = 0;    // FAXMODE_AltStartThreshold, 0 or 5..70000
    std::int32_t stopThreshold = 0;        // FAXMODE_StopThreshold, 5..70000
    std::int32_t indexOfCooperation = 0;   // stored with the row, not read by the receiver
    std::uint16_t bitDepth = 6;            // FAXMODE_GR, 1..8
    std::uint8_t agc = 0;                  // FAXMODE_AGC
    std::uint8_t rightToLeft = 0;          // 0 FAXMODE_Lefttoright, 1 FAXMODE_Righttoleft
    std::uint8_t bottomToTop = 0;          // 0 FAXMODE_ToptoBottom, 1 FAXMODE_BottomtoTop
    std::int32_t lpm = 120;                // FAXMODE_LPM, 20..600
    std::uint8_t phaseMode = PhaseNormal;  // FAXMODE_PhaseMode
    std::uint8_t startStopMode = StartStopTone; // FAXMODE_APTMode
    std::int32_t pixelsPerLine = 0;        // FAXMODE_Resolution, 600..2600
    std::int32_t pixelsToShow = 0;         // FAXMODE_Pixels_to_Show, 0..2500
    std::int32_t firstPixel = 0;           // FAXMODE_First_Pixel, 0..2500
    std::int32_t maxLines = 0;             // FAXMODE_Lines, 500..6000
    FixedString<11> palette;               // FAXMODE_Palette
    std::uint8_t zoomIndex = 9;            // 0..17
    std::int32_t demodulator = DemodFm;    // FAXMODE_Demodulator
    std::uint8_t printInverted = 0;        // FAXMODE_Pinverted
    std::uint8_t rowFlag = 0;              // kept with the row (1 in row 0)
    std::int32_t maxPictures = 20;         // FAXMODE_MaxPics, 1..200
    std::int32_t inputVolume = 32768;      // soundcard volume slider position
    std::int32_t windowLeft = kFaxWindowUnset;
    std::int32_t windowTop = kFaxWindowUnset;
    std::int32_t windowWidth = kFaxWindowUnset;
    std::int32_t windowHeight = kFaxWindowUnset;
    std::int32_t blackOffset = 0;          // FAXMODE_BLACKOFFS, 0..63

    bool selectable() const; // name not blank
    friend bool operator==(const FaxModeRecord&, const FaxModeRecord&) = default;
};

// Byte offsets of the fields inside a row.
namespace faxrow {
inline constexpr std::size_t kName = 0, kStartHz = 24, kStartLength = 28, kAltStartHz = 32, kAltStartLength = 36,
                             kStopHz = 40, kStopLength = 44, kStartThreshold = 48, kAltStartThreshold = 52,
                             kStopThreshold = 56, kIndexOfCooperation = 60, kBitDepth = 64, kAgc = 66,
                             kRightToLeft = 67, kBottomToTop = 68, kLpm = 72, kPhaseMode = 76,
                             kStartStopMode = 77, kPixelsPerLine = 80, kPixelsToShow = 84, kFirstPixel = 88,
                             kMaxLines = 92, kPalette = 96, kZoomIndex = 108, kDemodulator = 112,
                             kPrintInverted = 116, kRowFlag = 117, kMaxPictures = 120, kInputVolume = 124,
                             kWindowLeft = 128, kWindowTop = 132, kWindowWidth = 136, kWindowHeight = 140,
                             kBlackOffset = 144;
} // namespace faxrow

namespace detail {
constexpr FaxModeRecord row(std::string_view name, std::int32_t startHz, std::int32_t startLen, std::int32_t startThr,
                            std::int32_t altHz, std::int32_t altLen, std::int32_t altThr, std::int32_t stopHz,
                            std::int32_t stopLen, std::int32_t stopThr, std::int32_t lpm, std::uint8_t phase,
                            std::uint8_t startStop, std::int32_t ppl, std::int32_t show, std::int32_t first,
                            std::int32_t lines, std::string_view palette, std::int32_t demod, std::uint8_t h,
                            std::uint8_t v, std::uint16_t bits, std::int32_t black, std::int32_t maxPics,
                            std::int32_t ioc)
{
    FaxModeRecord r;
    r.name = name;
    r.startHz = startHz, r.startLength = startLen, r.startThreshold = startThr;
    r.altStartHz = altHz, r.altStartLength = altLen, r.altStartThreshold = altThr;
    r.stopHz = stopHz, r.stopLength = stopLen, r.stopThreshold = stopThr;
    r.lpm = lpm, r.phaseMode = phase, r.startStopMode = startStop;
    r.pixelsPerLine = ppl, r.pixelsToShow = show, r.firstPixel = first, r.maxLines = lines;
    r.palette = palette, r.demodulator = demod, r.rightToLeft = h, r.bottomToTop = v, r.bitDepth = bits;
    r.blackOffset = black, r.maxPictures = maxPics, r.indexOfCooperation = ioc;
    return r;
}

constexpr std::array<FaxModeRecord, kFaxModeRows> defaultRows()
{
    constexpr auto N = PhaseNormal, I = PhaseInverted, B = PhaseToneBurst;
    constexpr auto Q = StartStopSquelch, T = StartStopTone;
    std::array<FaxModeRecord, kFaxModeRows> t{
        row("HF-Fax", 300, 16, 15000, 675, 16, 15000, 450, 16, 15000, 120, N, T, 1810, 1810, 0, 4200, "STANDARD", DemodFm, 0, 0, 2, 0, 20, 576),
        row("Geostationary", 300, 16, 10000, 0, 0, 0, 450, 16, 15000, 240, I, T, 840, 800, 0, 800, "Automatic", DemodAm, 1, 1, 6, 15, 40, 267),
        row("NOAA S-N", 832, 7, 10000, 0, 0, 0, 0, 0, 0, 120, B, Q, 2080, 2080, 0, 3000, "STANDARD", DemodPllLog, 1, 1, 6, 15, 10, 288),
        row("NOAA N-S", 832, 7, 10000, 0, 0, 0, 0, 0, 0, 120, B, Q, 2080, 2080, 0, 3000, "STANDARD", DemodPllLog, 0, 0, 6, 15, 10, 288),
        row("Meteor S-N", 250, 10, 10000, 0, 0, 0, 0, 0, 0, 120, B, Q, 1200, 1200, 0, 3000, "STANDARD", DemodAmLog, 1, 1, 6, 0, 20, 264),
        row("Meteor N-S", 250, 10, 10000, 0, 0, 0, 0, 0, 0, 120, B, Q, 1200, 1200, 0, 3000, "STANDARD", DemodAmLog, 0, 0, 6, 0, 20, 264),
        row("OKE_SIC S-N", 1200, 10, 10000, 0, 0, 0, 0, 0, 0, 240, B, Q, 1200, 1200, 0, 6000, "STANDARD", DemodAmLog, 1, 1, 6, 0, 20, 288),
        row("OKE_SIC N-S", 1200, 10, 10000, 0, 0, 0, 0, 0, 0, 240, B, Q, 1200, 1200, 0, 6000, "STANDARD", DemodAmLog, 0, 0, 6, 0, 20, 288),
        row("Resurs S-N", 250, 10, 10000, 0, 0, 0, 0, 0, 0, 120, B, Q, 1200, 1200, 0, 3000, "STANDARD", DemodAmLog, 1, 1, 6, 0, 20, 264),
        row("Resurs N-S", 250, 10, 10000, 0, 0, 0, 0, 0, 0, 120, B, Q, 1200, 1200, 0, 3000, "STANDARD", DemodAmLog, 0, 0, 6, 0, 20, 264),
        row("Ham_288b", 675, 16, 15000, 0, 0, 0, 450, 16, 15000, 240, N, T, 905, 860, 0, 1280, "STANDARD", DemodFm, 0, 0, 6, 0, 20, 288),
        row("H288_120", 675, 16, 15000, 0, 0, 0, 450, 16, 15000, 120, N, T, 905, 860, 0, 1280, "STANDARD", DemodFm, 0, 0, 6, 0, 20, 288),
        row("", 832, 7, 15000, 0, 0, 0, 0, 0, 0, 120, B, Q, 2400, 1200, 1200, 4200, "STANDARD", DemodFm, 1, 1, 6, 0, 10, 576),
        row("", 832, 7, 15000, 0, 0, 0, 0, 0, 0, 120, B, Q, 2400, 1200, 0, 4200, "STANDARD", DemodFm, 1, 1, 6, 0, 10, 576),
        row("", 832, 7, 15000, 0, 0, 0, 0, 0, 0, 120, B, Q, 2400, 1200, 0, 4200, "STANDARD", DemodFm, 0, 0, 6, 0, 10, 576),
        row("", 675, 16, 15000, 0, 0, 0, 450, 16, 15000, 240, N, T, 905, 860, 0, 4200, "STANDARD", DemodFm, 0, 0, 6, 0, 20, 288),
    };
    t[0].rowFlag = 1;
    return t;
}
} // namespace detail

// The compiled-in table, as shipped.
inline constexpr std::array<FaxModeRecord, kFaxModeRows> kDefaultFaxModes = detail::defaultRows();

// Rows are 0..15; a row outside that range is a programmer error.
FaxModeRecord readFaxModeRow(const StationConfig& config, std::size_t row);
// Writes the fields only; padding bytes keep what the record holds.
void writeFaxModeRow(StationConfig& config, std::size_t row, const FaxModeRecord& record);

// The current row byte as stored (may be out of range in a damaged or hand-edited file).
std::uint8_t currentFaxModeRow(const StationConfig& config);
void setCurrentFaxModeRow(StationConfig& config, std::uint8_t row);

} // namespace tellur::fax
