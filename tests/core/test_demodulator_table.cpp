#include "core/demodulator_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace tellur;

// What the mode switch selects for each operating mode, as the soundcard routines are named.
TEST(DemodulatorTable, EveryOperatingModeSelectsItsRoutine)
{
    const char* expected[] = {"FMFAX",   "AMFAX",    "AMFAX",    "AMPLLFAX",    "AMPLLFAX", "SSTV",
                              "SSTVTX",  "RTTY_85",  "RTTY_170", "RTTY_450",    "RTTY_NAVTEX", "RTTY_850"};
    for (int mode = ModeFaxFm; mode <= ModeRtty850; ++mode) {
        const DemodRow* row = demodForMode(mode);
        ASSERT_NE(row, nullptr) << mode;
        EXPECT_EQ(row->name, expected[mode]) << mode;
        EXPECT_EQ(row->fourteenBit, isAmFaxMode(mode)) << mode;
    }
    EXPECT_EQ(demodForMode(ModeOff), nullptr);
    EXPECT_EQ(demodForMode(ModeRtty850 + 1), nullptr);
}

TEST(DemodulatorTable, NamesAreUniqueAndFindTheirRow)
{
    std::set<std::string_view> names;
    for (const auto& row : kDemodTable) {
        EXPECT_TRUE(names.insert(row.name).second) << row.name;
        ASSERT_EQ(findDemod(row.name), &row);
        EXPECT_EQ(&demodRow(row.type), &row);
        EXPECT_EQ(row.receives(), row.type != DemodType::SstvTx) << row.name;
    }
    EXPECT_EQ(findDemod("fmfax"), nullptr) << "names are matched exactly";
    EXPECT_EQ(findDemod(""), nullptr);
}
