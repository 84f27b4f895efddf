#include "sstv/sstv_modes.h"

#include <gtest/gtest.h>

using namespace tellur::sstv;

namespace {

// The 7-bit mode code that a stored 8-bit VIS word encodes, or -1 when its parity is wrong.
int standardCode(std::uint16_t vis)
{
    int code = 0;
    for (int bit = 0; bit < 7; ++bit) // bit 7 of the stored byte is the first bit sent (code LSB)
        if (vis & (0x80 >> bit))
            code |= 1 << bit;
    int ones = __builtin_popcount(vis & 0xFF);
    return (ones % 2 == 0) ? code : -1;
}

} // namespace

TEST(SstvModeTable, IdentityColumnsAreConsistent)
{
    const int expectedStd[kSstvModeCount] = {55, 44, 40, 60, 56, 76, 113, 114, 115, 6, 10, 14, 4,
                                             8, 12, 93, 99, 95, 96, 97, -2, -2, -2, -2, 44};
    for (int row = 0; row < kSstvModeCount; ++row) {
        const auto& m = kSstvModes[static_cast<std::size_t>(row)];
        SCOPED_TRACE(m.name);
        EXPECT_LE(m.name.size(), 20u);
        EXPECT_EQ(m.label.size(), 8u);
        EXPECT_TRUE((m.rows == 256 && m.columns == 340) || (m.rows == 496 && m.columns == 640));
        if (expectedStd[row] == -2) {
            EXPECT_EQ(m.visWord & 0xFF, 0x23);
        } else {
            EXPECT_LT(m.visWord, 256);
            EXPECT_EQ(standardCode(m.visWord), expectedStd[row]);
        }
    }
}

TEST(SstvModeTable, SlotEndsAreStartPlusLength)
{
    for (const auto& m : kSstvModes) {
        SCOPED_TRACE(m.name);
        const auto& t = m.timing;
        EXPECT_NEAR(t[kSyncEnd], t[kSyncStart] + t[kSyncLength], 4);
        for (int slot : {kSlot1Start, kSlot2Start, kSlot3Start})
            if (t[slot + 1] != 0 && t[slot + 2] != 0) {
                EXPECT_NEAR(t[slot + 2], t[slot] + t[slot + 1], 4);
            }
        // Every mode's line is fully covered by its slots, gaps, sync and porch.
        std::int64_t covered = t[kSyncLength] + t[kPorch] + t[kSlot1Length] + t[kSlot1Gap] + t[kSlot2Length] +
                               t[kSlot2Gap] + t[kSlot3Length] + t[kSlot3Gap];
        if (m.colourScheme != kSchemeMono) {
            EXPECT_NEAR(covered, t[kLineTime], 50);
        }
    }
}

TEST(SstvModeTable, RepeaterRowIsMartin1UnderAnotherName)
{
    const auto& r = kSstvModes[kRepeaterRow];
    const auto& m = kSstvModes[kMartin1Row];
    EXPECT_EQ(r.name, "Repeater");
    EXPECT_EQ(r.timing, m.timing);
    EXPECT_EQ(r.visWord, m.visWord);
    EXPECT_EQ(r.columns, m.columns);
    EXPECT_EQ(r.rows, m.rows);
    EXPECT_EQ(r.colourScheme, m.colourScheme);
}

TEST(SstvModeTable, ScaledTimingKeepsTheFraction)
{
    // 446.446 ms at 11025 S/s is 4922.067 samples; the float factor 11.025 lies slightly below.
    struct Case {
        int row;
        float factor;
        int field;
        std::int64_t expected;
    };
    const Case cases[] = {
        {kMartin1Row, 11.025f, kLineTime, 49220670},
        {kMartin1Row, 7.35f, kLineTime, 32813781},
        {kMartin1Row, 7.35f, kSyncLength, 357357},
        {kRobot36Row, 7.35f, kLineTime, 11025000},
        {20, 7.35f, kLineTime, 41894999}, // the float factor lies below 7.35,
        {kMartin1Row, 0.0f, kLineTime, 0},
    };
    for (const auto& c : cases) {
        auto scaled = scaleTiming(kSstvModes[static_cast<std::size_t>(c.row)], c.factor);
        EXPECT_EQ(scaled[static_cast<std::size_t>(c.field)], c.expected) << c.row << " " << c.field;
    }
    auto all = scaleAllTimings(11.025f);
    EXPECT_NEAR(all[kMartin1Row][kLineTime], 49220668, 4);
    EXPECT_EQ(all[kRepeaterRow], all[kMartin1Row]);
}

TEST(SstvModeTable, MenuCaptionsAndTheirHotKeys)
{
    EXPECT_EQ(txModeCaption(0), "&0 Wraase 180");
    EXPECT_EQ(txModeCaption(9), "&9 Rob. BW12");
    EXPECT_EQ(txModeCaption(10), "&A Rob. BW24");
    EXPECT_EQ(txModeCaption(24), "&O Repeater");
    for (int row = 0; row < kSstvModeCount; ++row)
        EXPECT_EQ(txModeFromCaption(txModeCaption(row)), row);
    for (const char* bad : {"", "&", "A Robot", "&a x", "&P Bad", "&Z x", "&- x"})
        EXPECT_EQ(txModeFromCaption(bad), std::nullopt) << bad;
}

TEST(SstvModeTable, TransmitModeIndexSelection)
{
    EXPECT_EQ(normaliseTxModeIndex(-1), 1);
    EXPECT_EQ(normaliseTxModeIndex(25), 1);
    EXPECT_EQ(normaliseTxModeIndex(24), 24);
    EXPECT_EQ(normaliseTxModeIndex(0), 0);

    struct Case {
        const char* parameter;
        int expected;
    };
    const Case cases[] = {{"S:13", 13}, {"s=3", 3}, {"S:0", 0}, {"S:x", 5}, {"S:", 5}, {"F:3", 5},
                          {"S:25", 5},  {"S:-1", 5}, {"S:3a", 5}};
    for (const auto& c : cases)
        EXPECT_EQ(txModeFromStartParameter(c.parameter, 5), c.expected) << c.parameter;

    EXPECT_FALSE(txModeChangeResizesEditors(kMartin1Row, kRobot36Row));
    EXPECT_TRUE(txModeChangeResizesEditors(kMartin1Row, 6));
    EXPECT_FALSE(txModeChangeResizesEditors(6, kRepeaterRow));
    EXPECT_TRUE(txModeChangeResizesEditors(17, kRobot36Row));
}

TEST(SstvModeTable, ModeDisplayTexts)
{
    EXPECT_EQ(modeDisplayText(kUnknownMode), " unknown mode");
    EXPECT_EQ(modeDisplayText(100), " no signal");
    EXPECT_EQ(modeDisplayText(kNoSignal), " no signal");
    EXPECT_EQ(modeDisplayText(1), " RX: Martin 1");
    EXPECT_EQ(modeDisplayText(20), " RX: MP 73");
}

TEST(SstvModeTable, FindModeByNameOrRow)
{
    EXPECT_EQ(findMode("Martin 1"), 1);
    EXPECT_EQ(findMode("martin1"), 1);
    EXPECT_EQ(findMode("Rob. BW36"), 11);
    EXPECT_EQ(findMode("robot36"), 13);
    EXPECT_EQ(findMode("pd120"), 17);
    EXPECT_EQ(findMode("23"), 23);
    EXPECT_EQ(findMode("25"), std::nullopt);
    EXPECT_EQ(findMode("Martin 3"), std::nullopt);
    EXPECT_EQ(findMode(""), std::nullopt);
}
