// The soundcard demodulator routines as data: one row per routine with its name, the operating
// modes that select it, the class family that runs it and its centre frequency. The mode switch,
// the soundcard, the demodulator classes and the commands all look routines up here.
#pragma once

#include "core/operating_mode.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tellur {

// In table order.
enum class DemodType : std::uint8_t {
    FmFax,
    AmFax,
    AmPllFax,
    Sstv,
    SstvTx, // the transmit tone generator instead of capture
    Rtty85,
    Rtty170,
    Rtty450,
    RttyNavtex,
    Rtty850,
};

// Which demodulator class runs a routine.
enum class DemodFamily : std::uint8_t { Fm, Am, AmPll, Rtty, ToneOutput };

struct DemodRow {
    DemodType type;
    std::string_view name;
    std::int32_t firstMode; // the operating modes that select the routine
    std::int32_t lastMode;
    DemodFamily family;
    std::int32_t centerHz; // set when the routine is selected
    bool fourteenBit;      // 14-bit envelope items instead of 8-bit levels

    constexpr bool receives() const { return family != DemodFamily::ToneOutput; }
};

inline constexpr std::array<DemodRow, 10> kDemodTable{{
    {DemodType::FmFax, "FMFAX", ModeFaxFm, ModeFaxFm, DemodFamily::Fm, 1900, false},
    {DemodType::AmFax, "AMFAX", ModeFaxAm, ModeFaxAmLog, DemodFamily::Am, 2400, true},
    {DemodType::AmPllFax, "AMPLLFAX", ModeFaxPllLin, ModeFaxPllLog, DemodFamily::AmPll, 2400, true},
    {DemodType::Sstv, "SSTV", ModeSstv, ModeSstv, DemodFamily::Fm, 1700, false},
    {DemodType::SstvTx, "SSTVTX", ModeTransmit, ModeTransmit, DemodFamily::ToneOutput, 0, false},
    {DemodType::Rtty85, "RTTY_85", ModeRtty85, ModeRtty85, DemodFamily::Rtty, 1400, false},
    {DemodType::Rtty170, "RTTY_170", ModeRtty170, ModeRtty170, DemodFamily::Rtty, 1400, false},
    {DemodType::Rtty450, "RTTY_450", ModeRtty450, ModeRtty450, DemodFamily::Rtty, 1400, false},
    {DemodType::RttyNavtex, "RTTY_NAVTEX", ModeNavtex, ModeNavtex, DemodFamily::Rtty, 1400, false},
    {DemodType::Rtty850, "RTTY_850", ModeRtty850, ModeRtty850, DemodFamily::Rtty, 1400, false},
}};
static_assert(
    [] {
        for (std::size_t i = 0; i < kDemodTable.size(); ++i)
            if (static_cast<std::size_t>(kDemodTable[i].type) != i)
                return false;
        return true;
    }(),
    "the table is indexed by DemodType");

constexpr const DemodRow& demodRow(DemodType type)
{
    return kDemodTable[static_cast<std::size_t>(type)];
}

// nullptr for a name no routine has.
constexpr const DemodRow* findDemod(std::string_view name)
{
    for (const auto& row : kDemodTable)
        if (row.name == name)
            return &row;
    return nullptr;
}

// nullptr for ModeOff and modes outside the table.
constexpr const DemodRow* demodForMode(int mode)
{
    for (const auto& row : kDemodTable)
        if (mode >= row.firstMode && mode <= row.lastMode)
            return &row;
    return nullptr;
}

} // namespace tellur
