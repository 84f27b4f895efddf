// The SSTV mode table: 24 transmission modes and the Repeater row, each with its names, colour
// scheme, picture size, identification word and line timing. Constant data shared by the
// receiver, the transmitter, the repeater and the editors; the only per-use state is the timing
// scaled to a sample rate, which every user keeps in its own copy.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace tellur::sstv {

// Indices into the 18 timing fields. Times are in 1/10000 ms; scaled values in samples x 10000.
enum TimingField : int {
    kPixelTime = 0,
    kLineTime,
    kSyncStart,
    kSyncLength,
    kSyncEnd,
    kPorch,
    kSlot1Start,
    kSlot1Length,
    kSlot1End,
    kSlot1Gap,
    kSlot2Start,
    kSlot2Length,
    kSlot2End,
    kSlot2Gap,
    kSlot3Start,
    kSlot3Length,
    kSlot3End,
    kSlot3Gap, // colour scheme 3: length of the fourth component (second row's luminance)
    kTimingFieldCount
};

using Timing = std::array<std::int64_t, kTimingFieldCount>;

// How a scan line carries the picture.
enum ColourScheme : std::uint8_t {
    kSchemeRgb = 0,      // Wraase, Martin, Scottie, P: red, green, blue slots
    kSchemeRobot36 = 1,  // Y, then R-Y and B-Y on alternate lines
    kSchemeRobotYuv = 2, // Robot 24/72: Y, R-Y, B-Y
    kSchemeDualLine = 3, // PD, MP: Y of row 1, R-Y, B-Y, Y of row 2
    kSchemeMono = 4,     // Robot black and white
};

struct SstvModeRecord {
    std::string_view name;  // at most 20 characters
    std::string_view label; // exactly 8 characters, space padded
    std::uint8_t colourScheme;
    std::uint8_t lineDoubling; // 1: one transmitted line covers two picture rows
    std::uint16_t rows;
    std::uint16_t visWord; // < 256: bit-reversed 8-bit code with parity; else 16-bit extended
    std::int32_t columns;
    Timing timing;
};

inline constexpr int kSstvModeCount = 25;
inline constexpr int kTransmissionModeCount = 24; // rows 0..23; detection never considers row 24
inline constexpr int kMartin1Row = 1;
inline constexpr int kRobotBw12Row = 9;
inline constexpr int kRobotBw24Row = 10;
inline constexpr int kRobotBw36Row = 11;
inline constexpr int kRobot36Row = 13;
inline constexpr int kRepeaterRow = 24;

// Mode numbers of the receiver that are not rows.
inline constexpr std::int32_t kUnknownMode = 99;
inline constexpr std::int32_t kNoSignal = std::numeric_limits<std::int32_t>::max();

inline constexpr std::array<SstvModeRecord, kSstvModeCount> kSstvModes{{
    SstvModeRecord{"Wraase 180", "Wr.180  ", 0, 0, 256, 0xED, 340,
                   {6897, 7110437, 0, 48276, 48276, 6897, 55173, 2344858, 2400031, 6897, 2406928, 2344858, 4751786, 6897, 4758682, 2344858, 7103540, 6897}}, // 0
    SstvModeRecord{"Martin 1", "Martin 1", 0, 0, 256, 0x35, 340,
                   {4307, 4464460, 0, 48620, 48620, 5720, 2994420, 1464320, 4458740, 5720, 54340, 1464320, 1518660, 5720, 1524380, 1464320, 2988700, 5720}}, // 1
    SstvModeRecord{"Martin 2", "Martin 2", 0, 0, 256, 0x14, 340,
                   {2153, 2267980, 0, 48620, 48620, 5720, 1530100, 732160, 2262260, 5720, 54340, 732160, 786500, 5720, 792220, 732160, 1524380, 5720}}, // 2
    SstvModeRecord{"Scottie 1", "Scott.1 ", 0, 0, 256, 0x3C, 340,
                   {4066, 4282200, 2787300, 90000, 2877300, 7500, 2884800, 1382400, 4267200, 15000, 0, 1382400, 1382400, 15000, 1397400, 1382400, 2779800, 7500}}, // 3
    SstvModeRecord{"Scottie 2", "Scott.2 ", 0, 0, 256, 0x1D, 340,
                   {2590, 2776920, 1783780, 90000, 1873780, 7500, 1881280, 880640, 2761920, 15000, 0, 880640, 880640, 15000, 895640, 880640, 1776280, 7500}}, // 4
    SstvModeRecord{"Scottie DX", "Scott.DX", 0, 0, 256, 0x33, 340,
                   {10165, 10503000, 6934500, 90000, 7024500, 7500, 7032000, 3456000, 10488000, 15000, 0, 3456000, 3456000, 15000, 3471000, 3456000, 6927000, 7500}}, // 5
    SstvModeRecord{"P3", "P3      ", 0, 0, 496, 0x8E, 640,
                   {2083, 4093750, 0, 52083, 52083, 10417, 62499, 1333317, 1395812, 10417, 1406233, 1333317, 2739550, 10417, 2749966, 1333317, 4083283, 10417}}, // 6
    SstvModeRecord{"P5", "P5      ", 0, 0, 496, 0x4E, 640,
                   {3125, 6140625, 0, 78125, 78125, 15625, 93750, 2000000, 2093750, 15625, 2109375, 2000000, 4109375, 15625, 4125000, 2000000, 6125000, 15625}}, // 7
    SstvModeRecord{"P7", "P7      ", 0, 0, 496, 0xCF, 640,
                   {4167, 8187500, 0, 104167, 104167, 20833, 125000, 2666667, 2791667, 20833, 2812500, 2666667, 5479167, 20833, 5500000, 2666667, 8166667, 20833}}, // 8
    SstvModeRecord{"Rob. BW12", "Rob BW12", 4, 1, 256, 0x60, 340,
                   {2706, 1000000, 0, 60000, 60000, 20000, 80000, 920000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}, // 9
    SstvModeRecord{"Rob. BW24", "Rob BW24", 4, 0, 256, 0x50, 340,
                   {2588, 1000000, 0, 90000, 90000, 30000, 120000, 880000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}, // 10
    SstvModeRecord{"Rob. BW36", "Rob BW36", 4, 0, 256, 0x71, 340,
                   {4059, 1500000, 0, 90000, 90000, 30000, 120000, 1380000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}, // 11
    SstvModeRecord{"Robot 24", "Robot 24", 2, 1, 256, 0x21, 340,
                   {2706, 2000000, 0, 60000, 60000, 20000, 80000, 920000, 1000000, 40000, 1040000, 460000, 1500000, 40000, 1540000, 460000, 2000000, 0}}, // 12
    SstvModeRecord{"Robot 36", "Robot 36", 1, 0, 256, 0x11, 340,
                   {2588, 1500000, 0, 90000, 90000, 30000, 120000, 880000, 1000000, 60000, 1060000, 440000, 1500000, 0, 1500000, 0, 1500000, 0}}, // 13
    SstvModeRecord{"Robot 72", "Robot 72", 2, 0, 256, 0x30, 340,
                   {4059, 3000000, 0, 90000, 90000, 30000, 120000, 1380000, 1500000, 60000, 1560000, 690000, 2250000, 60000, 2310000, 690000, 3000000, 0}}, // 14
    SstvModeRecord{"PD 50", "PD 50   ", 3, 0, 256, 0xBB, 340,
                   {2692, 3881600, 0, 200000, 200000, 20800, 220800, 915200, 1136000, 0, 1136000, 915200, 2051200, 0, 2051200, 915200, 2966400, 915200}}, // 15
    SstvModeRecord{"PD 90", "PD 90   ", 3, 0, 256, 0xC6, 340,
                   {5007, 7030400, 0, 200000, 200000, 20800, 220800, 1702400, 1923200, 0, 1923200, 1702400, 3625600, 0, 3625600, 1702400, 5328000, 1702400}}, // 16
    SstvModeRecord{"PD 120", "PD 120  ", 3, 0, 496, 0xFA, 640,
                   {1900, 5084800, 0, 200000, 200000, 20800, 220800, 1216000, 1436800, 0, 1436800, 1216000, 2652800, 0, 2652800, 1216000, 3868800, 1216000}}, // 17
    SstvModeRecord{"PD 180", "PD 180  ", 3, 0, 496, 0x06, 640,
                   {2860, 7542400, 0, 200000, 200000, 20800, 220800, 1830400, 2051200, 0, 2051200, 1830400, 3881600, 0, 3881600, 1830400, 5712000, 1830400}}, // 18
    SstvModeRecord{"PD 240", "PD 240  ", 3, 0, 496, 0x87, 640,
                   {3820, 10000000, 0, 200000, 200000, 20800, 220800, 2444800, 2665600, 0, 2665600, 2444800, 5110400, 0, 5110400, 2444800, 7555200, 2444800}}, // 19
    SstvModeRecord{"MP 73", "MP 73   ", 3, 0, 256, 0x2523, 340,
                   {4118, 5700000, 0, 90000, 90000, 10000, 100000, 1400000, 1500000, 0, 1500000, 1400000, 2900000, 0, 2900000, 1400000, 4300000, 1400000}}, // 20
    SstvModeRecord{"MP 115", "MP 115  ", 3, 0, 256, 0x2923, 340,
                   {6559, 9020000, 0, 90000, 90000, 10000, 100000, 2230000, 2330000, 0, 2330000, 2230000, 4560000, 0, 4560000, 2230000, 6790000, 2230000}}, // 21
    SstvModeRecord{"MP 140", "MP 140  ", 3, 0, 256, 0x2A23, 340,
                   {7941, 10900000, 0, 90000, 90000, 10000, 100000, 2700000, 2800000, 0, 2800000, 2700000, 5500000, 0, 5500000, 2700000, 8200000, 2700000}}, // 22
    SstvModeRecord{"MP 175", "MP 175  ", 3, 0, 256, 0x2C23, 340,
                   {10000, 13700000, 0, 90000, 90000, 10000, 100000, 3400000, 3500000, 0, 3500000, 3400000, 6900000, 0, 6900000, 3400000, 10300000, 3400000}}, // 23
    SstvModeRecord{"Repeater", "Repeater", 0, 0, 256, 0x35, 340,
                   {4307, 4464460, 0, 48620, 48620, 5720, 2994420, 1464320, 4458740, 5720, 54340, 1464320, 1518660, 5720, 1524380, 1464320, 2988700, 5720}}, // 24
}};

// scaled[i] = Round(timing[i] x factor); factor is samples per millisecond.
Timing scaleTiming(const SstvModeRecord& row, float samplesPerMs);

// The scaled timing of all 25 rows, as the receive window computes it when it is created.
std::array<Timing, kSstvModeCount> scaleAllTimings(float samplesPerMs);

// Transmit-mode list and menu.
char txModeHotKey(int row);            // '0'..'9', then 'A'.. ('O' for row 24)
std::string txModeCaption(int row);    // "&%s %s": hot key and name
// Row selected by a menu caption (the character after "&"); nullopt for anything else.
std::optional<int> txModeFromCaption(std::string_view caption);
// A stored TX mode index outside 0..24 becomes Martin 1.
int normaliseTxModeIndex(int index);
// A start parameter "S?<n>" (either case) selects TX mode n; anything unreadable keeps current.
int txModeFromStartParameter(std::string_view parameter, int current);
// Whether switching the transmit mode from oldRow to newRow resizes the picture editors.
bool txModeChangeResizesEditors(int oldRow, int newRow);

// Status-bar text for a receiver mode number.
std::string modeDisplayText(std::int64_t mode);

// Row by name (case-insensitive, blanks and dots ignored) or by number; nullopt when unknown.
std::optional<int> findMode(std::string_view nameOrRow);

} // namespace tellur::sstv
