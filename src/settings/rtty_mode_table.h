// The RTTY mode table: ten 72-byte rows inside the station configuration (offset 4984) and the
// index of the selected row (a signed byte at offset 4928). Plain values; read and written field
// by field at the row's offsets.
#pragma once

#include "core/fixed_string.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tellur {
class StationConfig;
}

namespace tellur::text {

inline constexpr std::size_t kRttyModeRows = 10;
inline constexpr std::size_t kRttyModeRecordSize = 72;
inline constexpr std::size_t kRttyModeTableOffset = 4984;
inline constexpr std::size_t kCurrentRttyModeOffset = 4928;
inline constexpr std::int8_t kDefaultRttyModeRow = 3;

enum RttyType : std::uint8_t { RttyBaudot = 0, RttyFec = 1 };

struct RttyModeRecord {
    FixedString<20> name;              // blank (trimmed) = row cannot be selected
    std::int64_t baudE4 = 0;           // 45 baud = 450000
    std::int32_t shiftHz = 0;
    std::int32_t centerHz = 1360;      // 600..2900 in the editors
    std::uint8_t afc = 0;
    std::uint8_t reverse = 0;
    std::int32_t bits = 5;             // data bits per Baudot character, 5..8
    std::int64_t charLengthE4 = 75000; // carried, read by no operation
    std::uint8_t type = RttyBaudot;
    FixedString<10> ptcType;           // "BAUDOT" or "AMTOR"

    bool selectable() const;
    friend bool operator==(const RttyModeRecord&, const RttyModeRecord&) = default;
};

namespace rttyrow {
inline constexpr std::size_t kName = 0, kBaudE4 = 24, kShiftHz = 32, kCenterHz = 36, kAfc = 40, kReverse = 41,
                             kBits = 44, kCharLengthE4 = 48, kType = 56, kPtcType = 57;
} // namespace rttyrow

namespace detail {
constexpr RttyModeRecord rttyRow(std::string_view name, std::int64_t baud, std::int32_t shift, std::int32_t bits,
                                 std::int64_t charLengthE4, std::uint8_t type, std::string_view ptcType)
{
    RttyModeRecord r;
    r.name = name;
    r.baudE4 = baud * 10000;
    r.shiftHz = shift;
    r.bits = bits;
    r.charLengthE4 = charLengthE4;
    r.type = type;
    r.ptcType = ptcType;
    return r;
}
} // namespace detail

// The compiled-in table, as shipped.
inline constexpr std::array<RttyModeRecord, kRttyModeRows> kDefaultRttyModes{
    detail::rttyRow("Baudot 45 / 170", 45, 170, 5, 75000, RttyBaudot, "BAUDOT"),
    detail::rttyRow("Baudot 45 / 850", 45, 850, 5, 75000, RttyBaudot, "BAUDOT"),
    detail::rttyRow("Baudot 50 / 85", 50, 85, 5, 75000, RttyBaudot, "BAUDOT"),
    detail::rttyRow("Baudot 50 / 450", 50, 450, 5, 75000, RttyBaudot, "BAUDOT"),
    detail::rttyRow("Baudot 50 / 850", 50, 850, 5, 75000, RttyBaudot, "BAUDOT"),
    detail::rttyRow("Baudot 75 / 850", 75, 850, 5, 75000, RttyBaudot, "BAUDOT"),
    detail::rttyRow("NAVTEX", 100, 170, 7, 70000, RttyFec, "AMTOR"),
    detail::rttyRow("User1", 75, 850, 5, 75000, RttyBaudot, "BAUDOT"),
    detail::rttyRow("User2", 75, 850, 5, 75000, RttyBaudot, "BAUDOT"),
    detail::rttyRow("User3", 75, 850, 5, 75000, RttyBaudot, "BAUDOT"),
};

// Rows are 0..9; a row outside that range is a programmer error.
RttyModeRecord readRttyModeRow(const StationConfig& config, std::size_t row);
// Writes the fields only; padding bytes keep what the record holds.
void writeRttyModeRow(StationConfig& config, std::size_t row, const RttyModeRecord& record);

// The selected row as stored (may be negative or out of range in a damaged file).
std::int8_t currentRttyModeRow(const StationConfig& config);
void setCurrentRttyModeRow(StationConfig& config, std::int8_t row);

} // namespace tellur::text
