#include "settings/rtty_mode_table.h"

#include "core/station_config.h"

#include <cassert>

namespace tellur::text {

bool RttyModeRecord::selectable() const
{
    return name.view().find_first_not_of(' ') != std::string_view::npos;
}

static std::size_t rowBase(std::size_t row)
{
    assert(row < kRttyModeRows);
    return kRttyModeTableOffset + row * kRttyModeRecordSize;
}

RttyModeRecord readRttyModeRow(const StationConfig& c, std::size_t row)
{
    using namespace rttyrow;
    const std::size_t b = rowBase(row);
    RttyModeRecord r;
    r.name = c.str(b + kName, 20);
    r.baudE4 = c.i64(b + kBaudE4);
    r.shiftHz = c.i32(b + kShiftHz);
    r.centerHz = c.i32(b + kCenterHz);
    r.afc = c.u8(b + kAfc);
    r.reverse = c.u8(b + kReverse);
    r.bits = c.i32(b + kBits);
    r.charLengthE4 = c.i64(b + kCharLengthE4);
    r.type = c.u8(b + kType);
    r.ptcType = c.str(b + kPtcType, 10);
    return r;
}

void writeRttyModeRow(StationConfig& c, std::size_t row, const RttyModeRecord& r)
{
    using namespace rttyrow;
    const std::size_t b = rowBase(row);
    c.setStr(b + kName, 20, r.name.view());
    c.setI64(b + kBaudE4, r.baudE4);
    c.setI32(b + kShiftHz, r.shiftHz);
    c.setI32(b + kCenterHz, r.centerHz);
    c.setU8(b + kAfc, r.afc);
    c.setU8(b + kReverse, r.reverse);
    c.setI32(b + kBits, r.bits);
    c.setI64(b + kCharLengthE4, r.charLengthE4);
    c.setU8(b + kType, r.type);
    c.setStr(b + kPtcType, 10, r.ptcType.view());
}

std::int8_t currentRttyModeRow(const StationConfig& c)
{
    return c.i8(kCurrentRttyModeOffset);
}

void setCurrentRttyModeRow(StationConfig& c, std::int8_t row)
{
    c.setU8(kCurrentRttyModeOffset, static_cast<std::uint8_t>(row));
}

} // namespace tellur::text
