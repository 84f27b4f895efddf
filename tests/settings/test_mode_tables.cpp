#include "core/le_bytes.h"
#include "core/station_config.h"
#include "settings/fax_mode_table.h"
#include "settings/rtty_mode_table.h"

#include <gtest/gtest.h>

#include <string>

using namespace tellur;

namespace {
std::size_t faxRow(std::size_t r) { return 6532 + r * 148; }
std::size_t rttyRow(std::size_t r) { return 4984 + r * 72; }
} // namespace

// The shipped FAX table, checked at the raw bytes of the record so that a wrong offset in the
// row code cannot hide behind a matching reader.
TEST(FaxModeTable, DefaultRowsAtTheirBytes)
{
    StationConfig c;
    auto b = c.bytes();
    struct Row {
        const char* name; int start, startLen, startThr, alt, altLen, altThr, stop, stopLen, stopThr, lpm;
        int phase, startStop, ppl, show, first, lines; const char* palette; int demod, h, v, bits, black, maxPics, ioc;
    };
    const Row rows[16] = {
        {"HF-Fax", 300, 16, 15000, 675, 16, 15000, 450, 16, 15000, 120, 0, 1, 1810, 1810, 0, 4200, "STANDARD", 0, 0, 0, 2, 0, 20, 576},
        {"Geostationary", 300, 16, 10000, 0, 0, 0, 450, 16, 15000, 240, 1, 1, 840, 800, 0, 800, "Automatic", 1, 1, 1, 6, 15, 40, 267},
        {"NOAA S-N", 832, 7, 10000, 0, 0, 0, 0, 0, 0, 120, 2, 0, 2080, 2080, 0, 3000, "STANDARD", 4, 1, 1, 6, 15, 10, 288},
        {"NOAA N-S", 832, 7, 10000, 0, 0, 0, 0, 0, 0, 120, 2, 0, 2080, 2080, 0, 3000, "STANDARD", 4, 0, 0, 6, 15, 10, 288},
        {"Meteor S-N", 250, 10, 10000, 0, 0, 0, 0, 0, 0, 120, 2, 0, 1200, 1200, 0, 3000, "STANDARD", 2, 1, 1, 6, 0, 20, 264},
        {"Meteor N-S", 250, 10, 10000, 0, 0, 0, 0, 0, 0, 120, 2, 0, 1200, 1200, 0, 3000, "STANDARD", 2, 0, 0, 6, 0, 20, 264},
        {"OKE_SIC S-N", 1200, 10, 10000, 0, 0, 0, 0, 0, 0, 240, 2, 0, 1200, 1200, 0, 6000, "STANDARD", 2, 1, 1, 6, 0, 20, 288},
        {"OKE_SIC N-S", 1200, 10, 10000, 0, 0, 0, 0, 0, 0, 240, 2, 0, 1200, 1200, 0, 6000, "STANDARD", 2, 0, 0, 6, 0, 20, 288},
        {"Resurs S-N", 250, 10, 10000, 0, 0, 0, 0, 0, 0, 120, 2, 0, 1200, 1200, 0, 3000, "STANDARD", 2, 1, 1, 6, 0, 20, 264},
        {"Resurs N-S", 250, 10, 10000, 0, 0, 0, 0, 0, 0, 120, 2, 0, 1200, 1200, 0, 3000, "STANDARD", 2, 0, 0, 6, 0, 20, 264},
        {"Ham_288b", 675, 16, 15000, 0, 0, 0, 450, 16, 15000, 240, 0, 1, 905, 860, 0, 1280, "STANDARD", 0, 0, 0, 6, 0, 20, 288},
        {"H288_120", 675, 16, 15000, 0, 0, 0, 450, 16, 15000, 120, 0, 1, 905, 860, 0, 1280, "STANDARD", 0, 0, 0, 6, 0, 20, 288},
        {"", 832, 7, 15000, 0, 0, 0, 0, 0, 0, 120, 2, 0, 2400, 1200, 1200, 4200, "STANDARD", 0, 1, 1, 6, 0, 10, 576},
        {"", 832, 7, 15000, 0, 0, 0, 0, 0, 0, 120, 2, 0, 2400, 1200, 0, 4200, "STANDARD", 0, 1, 1, 6, 0, 10, 576},
        {"", 832, 7, 15000, 0, 0, 0, 0, 0, 0, 120, 2, 0, 2400, 1200, 0, 4200, "STANDARD", 0, 0, 0, 6, 0, 10, 576},
        {"", 675, 16, 15000, 0, 0, 0, 450, 16, 15000, 240, 0, 1, 905, 860, 0, 4200, "STANDARD", 0, 0, 0, 6, 0, 20, 288},
    };
    EXPECT_EQ(b[5704], 0);
    for (std::size_t r = 0; r < 16; ++r) {
        SCOPED_TRACE("row " + std::to_string(r));
        const Row& w = rows[r];
        const std::size_t o = faxRow(r);
        EXPECT_EQ(readCountedString(b, o, 20), w.name);
        EXPECT_EQ(b[o], std::string(w.name).size());
        const std::pair<std::size_t, int> ints[] = {
            {24, w.start}, {28, w.startLen}, {32, w.alt}, {36, w.altLen}, {40, w.stop}, {44, w.stopLen},
            {48, w.startThr}, {52, w.altThr}, {56, w.stopThr}, {60, w.ioc}, {72, w.lpm}, {80, w.ppl},
            {84, w.show}, {88, w.first}, {92, w.lines}, {112, w.demod}, {120, w.maxPics}, {124, 32768},
            {128, 2147483647}, {144, w.black}};
        for (auto [off, want] : ints)
            EXPECT_EQ(readI32(b, o + off), want) << "at row offset " << off;
        EXPECT_EQ(readU16(b, o + 64), w.bits);
        EXPECT_EQ(b[o + 66], 0);              // AGC
        EXPECT_EQ(b[o + 67], w.h);
        EXPECT_EQ(b[o + 68], w.v);
        EXPECT_EQ(b[o + 76], w.phase);
        EXPECT_EQ(b[o + 77], w.startStop);
        EXPECT_EQ(readCountedString(b, o + 96, 11), w.palette);
        EXPECT_EQ(b[o + 108], 9);             // zoom index
        EXPECT_EQ(b[o + 116], 0);             // print inverted
        EXPECT_EQ(b[o + 117], r == 0 ? 1 : 0);
        EXPECT_EQ(fax::readFaxModeRow(c, r).selectable(), r < 12);
    }
}

TEST(RttyModeTable, DefaultRowsAtTheirBytes)
{
    StationConfig c;
    auto b = c.bytes();
    struct Row { const char* name; int baud, shift, bits; std::int64_t charLen; int type; const char* ptc; };
    const Row rows[10] = {
        {"Baudot 45 / 170", 45, 170, 5, 75000, 0, "BAUDOT"}, {"Baudot 45 / 850", 45, 850, 5, 75000, 0, "BAUDOT"},
        {"Baudot 50 / 85", 50, 85, 5, 75000, 0, "BAUDOT"},   {"Baudot 50 / 450", 50, 450, 5, 75000, 0, "BAUDOT"},
        {"Baudot 50 / 850", 50, 850, 5, 75000, 0, "BAUDOT"}, {"Baudot 75 / 850", 75, 850, 5, 75000, 0, "BAUDOT"},
        {"NAVTEX", 100, 170, 7, 70000, 1, "AMTOR"},          {"User1", 75, 850, 5, 75000, 0, "BAUDOT"},
        {"User2", 75, 850, 5, 75000, 0, "BAUDOT"},           {"User3", 75, 850, 5, 75000, 0, "BAUDOT"},
    };
    EXPECT_EQ(static_cast<std::int8_t>(b[4928]), 3);
    for (std::size_t r = 0; r < 10; ++r) {
        SCOPED_TRACE("row " + std::to_string(r));
        const Row& w = rows[r];
        const std::size_t o = rttyRow(r);
        EXPECT_EQ(readCountedString(b, o, 20), w.name);
        EXPECT_EQ(readI64(b, o + 24), std::int64_t{w.baud} * 10000);
        EXPECT_EQ(readI32(b, o + 32), w.shift);
        EXPECT_EQ(readI32(b, o + 36), 1360);
        EXPECT_EQ(b[o + 40], 0);
        EXPECT_EQ(b[o + 41], 0);
        EXPECT_EQ(readI32(b, o + 44), w.bits);
        EXPECT_EQ(readI64(b, o + 48), w.charLen);
        EXPECT_EQ(b[o + 56], w.type);
        EXPECT_EQ(readCountedString(b, o + 57, 10), w.ptc);
    }
}

// Writing a row back leaves every byte of the record as it was, padding included, and a changed
// row reads back equal.
TEST(ModeTables, RowRoundTripKeepsNeighboursAndPadding)
{
    StationConfig c;
    c.bytes()[faxRow(5) + 21] = 0xAB; // padding that a foreign writer left behind
    const StationConfig before = c;
    for (std::size_t r = 0; r < 16; ++r)
        fax::writeFaxModeRow(c, r, fax::readFaxModeRow(c, r));
    for (std::size_t r = 0; r < 10; ++r)
        text::writeRttyModeRow(c, r, text::readRttyModeRow(c, r));
    EXPECT_TRUE(c == before);

    auto fr = fax::readFaxModeRow(c, 14);
    fr.name = "My_mode";
    fr.lpm = 60;
    fr.bitDepth = 8;
    fr.windowLeft = -5;
    fax::writeFaxModeRow(c, 14, fr);
    EXPECT_EQ(fax::readFaxModeRow(c, 14), fr);
    EXPECT_EQ(fax::readFaxModeRow(c, 13), fax::kDefaultFaxModes[13]);
    EXPECT_EQ(fax::readFaxModeRow(c, 15), fax::kDefaultFaxModes[15]);

    auto rr = text::readRttyModeRow(c, 9);
    rr.name = "A name longer than twenty characters";
    rr.baudE4 = 1100000;
    rr.reverse = 1;
    text::writeRttyModeRow(c, 9, rr);
    EXPECT_EQ(text::readRttyModeRow(c, 9).name.view(), "A name longer than t");
    EXPECT_EQ(text::readRttyModeRow(c, 8), text::kDefaultRttyModes[8]);
    EXPECT_EQ(c.bytes()[4984 + 10 * 72], before.bytes()[4984 + 10 * 72]); // byte after the table
}
