#include "settings/fax_mode_table.h"

#include "core/station_config.h"

#include <cassert>

namespace tellur::fax {

bool FaxModeRecord::selectable() const
{
    return name.view().find_first_not_of(' ') != std::string_view::npos;
}

static std::size_t rowBase(std::size_t row)
{
    assert(row < kFaxModeRows);
    return kFaxModeTableOffset + row * kFaxModeRecordSize;
}

FaxModeRecord readFaxModeRow(const StationConfig& c, std::size_t row)
{
    using namespace faxrow;
    const std::size_t b = rowBase(row);
    FaxModeRecord r;
    r.name = c.str(b + kName, 20);
    r.startHz = c.i32(b + kStartHz);
    r.startLength = c.i32(b + kStartLength);
    r.altStartHz = c.i32(b + kAltStartHz);
    r.altStartLength = c.i32(b + kAltStartLength);
    r.stopHz = c.i32(b + kStopHz);
    r.stopLength = c.i32(b + kStopLength);
    r.startThreshold = c.i32(b + kStartThreshold);
    r.altStartThreshold = c.i32(b + kAltStartThreshold);
    r.stopThreshold = c.i32(b + kStopThreshold);
    r.indexOfCooperation = c.i32(b + kIndexOfCooperation);
    r.bitDepth = c.u16(b + kBitDepth);
    r.agc = c.u8(b + kAgc);
    r.rightToLeft = c.u8(b + kRightToLeft);
    r.bottomToTop = c.u8(b + kBottomToTop);
    r.lpm = c.i32(b + kLpm);
    r.phaseMode = c.u8(b + kPhaseMode);
    r.startStopMode = c.u8(b + kStartStopMode);
    r.pixelsPerLine = c.i32(b + kPixelsPerLine);
    r.pixelsToShow = c.i32(b + kPixelsToShow);
    r.firstPixel = c.i32(b + kFirstPixel);
    r.maxLines = c.i32(b + kMaxLines);
    r.palette = c.str(b + kPalette, 11);
    r.zoomIndex = c.u8(b + kZoomIndex);
    r.demodulator = c.i32(b + kDemodulator);
    r.printInverted = c.u8(b + kPrintInverted);
    r.rowFlag = c.u8(b + kRowFlag);
    r.maxPictures = c.i32(b + kMaxPictures);
    r.inputVolume = c.i32(b + kInputVolume);
    r.windowLeft = c.i32(b + kWindowLeft);
    r.windowTop = c.i32(b + kWindowTop);
    r.windowWidth = c.i32(b + kWindowWidth);
    r.windowHeight = c.i32(b + kWindowHeight);
    r.blackOffset = c.i32(b + kBlackOffset);
    return r;
}

void writeFaxModeRow(StationConfig& c, std::size_t row, const FaxModeRecord& r)
{
    using namespace faxrow;
    const std::size_t b = rowBase(row);
    c.setStr(b + kName, 20, r.name.view());
    c.setI32(b + kStartHz, r.startHz);
    c.setI32(b + kStartLength, r.startLength);
    c.setI32(b + kAltStartHz, r.altStartHz);
    c.setI32(b + kAltStartLength, r.altStartLength);
    c.setI32(b + kStopHz, r.stopHz);
    c.setI32(b + kStopLength, r.stopLength);
    c.setI32(b + kStartThreshold, r.startThreshold);
    c.setI32(b + kAltStartThreshold, r.altStartThreshold);
    c.setI32(b + kStopThreshold, r.stopThreshold);
    c.setI32(b + kIndexOfCooperation, r.indexOfCooperation);
    c.setU16(b + kBitDepth, r.bitDepth);
    c.setU8(b + kAgc, r.agc);
    c.setU8(b + kRightToLeft, r.rightToLeft);
    c.setU8(b + kBottomToTop, r.bottomToTop);
    c.setI32(b + kLpm, r.lpm);
    c.setU8(b + kPhaseMode, r.phaseMode);
    c.setU8(b + kStartStopMode, r.startStopMode);
    c.setI32(b + kPixelsPerLine, r.pixelsPerLine);
    c.setI32(b + kPixelsToShow, r.pixelsToShow);
    c.setI32(b + kFirstPixel, r.firstPixel);
    c.setI32(b + kMaxLines, r.maxLines);
    c.setStr(b + kPalette, 11, r.palette.view());
    c.setU8(b + kZoomIndex, r.zoomIndex);
    c.setI32(b + kDemodulator, r.demodulator);
    c.setU8(b + kPrintInverted, r.printInverted);
    c.setU8(b + kRowFlag, r.rowFlag);
    c.setI32(b + kMaxPictures, r.maxPictures);
    c.setI32(b + kInputVolume, r.inputVolume);
    c.setI32(b + kWindowLeft, r.windowLeft);
    c.setI32(b + kWindowTop, r.windowTop);
    c.setI32(b + kWindowWidth, r.windowWidth);
    c.setI32(b + kWindowHeight, r.windowHeight);
    c.setI32(b + kBlackOffset, r.blackOffset);
}

std::uint8_t currentFaxModeRow(const StationConfig& c)
{
    return c.u8(kCurrentFaxModeOffset);
}

void setCurrentFaxModeRow(StationConfig& c, std::uint8_t row)
{
    c.setU8(kCurrentFaxModeOffset, row);
}

} // namespace tellur::fax
