#include "settings/config_fields.h"
#include "core/le_bytes.h"
#include "core/station_config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <set>
#include <string>
#include <vector>

using namespace tellur;

// Every field lies inside the record, no two share a byte and names are unique: an overlap
// would make two settings overwrite each other in every saved file.
TEST(ConfigFields, TableIsConsistent)
{
    std::vector<int> owner(StationConfig::kSize, -1);
    std::set<std::string_view> names;
    const auto& fields = configFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto& f = fields[i];
        EXPECT_TRUE(names.insert(f.name).second) << f.name;
        ASSERT_LE(f.offset + f.size, StationConfig::kHeaderOffset + 14u) << f.name;
        for (std::size_t b = f.offset; b < f.offset + f.size; ++b) {
            EXPECT_EQ(owner[b], -1) << f.name << " overlaps " << (owner[b] >= 0 ? fields[owner[b]].name : "") << " at " << b;
            owner[b] = static_cast<int>(i);
        }
    }
    for (std::size_t b = 16094; b < StationConfig::kSize; ++b)
        EXPECT_EQ(owner[b], -1) << "tail byte " << b;
}

// The defaults at the offsets fixed by the file format.
TEST(ConfigFields, DefaultRecordHoldsTheFileDefaults)
{
    const StationConfig c;
    auto b = c.bytes();
    struct I { std::size_t off; std::int32_t v; };
    for (auto [off, v] : {I{0, 2}, {8, 115200}, {36, 50}, {3644, 0}, {3936, 2400}, {3948, 2400}, {3952, 1}, {3964, 1},
                          {3984, 0}, {3992, 514}, {4000, 2147483647}, {4004, 2147483647}, {4008, 0}, {4012, 109},
                          {6260, 20}, {6524, 0}, {8908, 100}, {8912, 100}, {8920, 8}, {8924, 2}, {8928, 48},
                          {8932, 2000}, {9052, 255}, {9056, 165}, {9060, 0}, {9064, 0}, {9288, 2147483647},
                          {9292, 2147483647}, {12844, 1}, {16064, 1}, {16068, 4}, {16072, 2}, {16076, 3}})
        EXPECT_EQ(readI32(b, off), v) << "int at " << off;
    struct U { std::size_t off; int v; };
    for (auto [off, v] : {U{4, 0}, {32, 0}, {33, 0}, {34, 0}, {35, 0}, {3316, 0}, {3573, 1}, {3574, 0}, {3576, 0},
                          {3639, 0}, {3640, 0}, {3641, 0}, {3642, 1}, {4016, 1}, {4531, 0}, {4625, 1}, {5704, 0},
                          {6217, 1}, {6218, 1}, {6220, 0}, {6221, 1}, {6222, 16}, {6223, 0}, {6224, 1}, {6225, 1},
                          {6226, 0}, {6227, 0}, {8916, 0}, {8917, 1}, {8936, 1}, {9050, 9}, {4928, 3}})
        EXPECT_EQ(b[off], v) << "byte at " << off;
    EXPECT_EQ(readF64(b, 16), 7350.0);
    EXPECT_EQ(readF64(b, 24), 0.0);
    struct S { std::size_t off, cap; const char* v; };
    for (auto [off, cap, v] : {S{40, 15, ""}, {56, 30, " sent by @"}, {493, 255, "./NAVTEX-Database/"},
                               {749, 255, "./SSTV-Lastreceived/"}, {1005, 255, "./SSTV-Lastrepeated/"},
                               {1261, 255, "./SSTV-Pictures/"}, {1517, 255, "./Schedules/"},
                               {1773, 255, "./FAX-Lastreceived/"}, {2029, 255, "./Textmessages-Lastreceived/"},
                               {2285, 255, "./Demodulators/"}, {2541, 255, "./External-Programs/"},
                               {2797, 255, "./Masks & Palettes/"}, {3053, 255, "./Movies/"}, {3317, 255, ""},
                               {3577, 30, "dd.mm.yyyy"}, {3608, 30, "hh:nn"}, {3664, 64, ""}, {3968, 3, "$56"},
                               {3980, 3, "$56"}, {4017, 255, "SSTV95"}, {4273, 30, "SSTV_"}, {4663, 255, "Analyzer"},
                               {5705, 255, "FMFAX95"}, {5961, 255, "AM14BIT"}, {6228, 30, "@_yyyymmdd_hhnn"},
                               {9020, 29, ""}, {9068, 10, ""}, {9332, 20, ""}, {12848, 15, "CQ"},
                               {12848 + 145, 15, "Name"}, {12848 + 290, 15, "RSV"}, {12848 + 435, 15, "..de.."},
                               {12848 + 580, 15, "Contest RSV"}, {12848 + 725, 15, ""}, {16080, 13, "TELLUR32-0105"}})
        EXPECT_EQ(readCountedString(b, off, cap), v) << "text at " << off;
    EXPECT_EQ(b[16080], 13);
    for (std::size_t off = 16094; off < 16104; ++off)
        EXPECT_EQ(b[off], 0);
    EXPECT_TRUE(c.headerValid());
}

TEST(ConfigFields, SetFromTextChecksKindRangeAndWidth)
{
    StationConfig c;
    struct Case { const char* name; const char* value; SetFieldResult want; const char* after; };
    const Case cases[] = {
        {"DataRate", "11025.5", SetFieldResult::Ok, "11025.5"},
        {"DataRate", "12521", SetFieldResult::OutOfRange, "11025.5"},
        {"DataRate", "fast", SetFieldResult::NotANumber, "11025.5"},
        {"RepeaterBeaconinterval", "0", SetFieldResult::Ok, "0"},
        {"RepeaterBeaconinterval", "30", SetFieldResult::OutOfRange, "0"},
        {"CommunicationPort", "9", SetFieldResult::OutOfRange, "0"},
        {"CommunicationPort", "3", SetFieldResult::Ok, "3"},
        {"Callsign", "DL1ABC", SetFieldResult::Ok, "DL1ABC"},
        {"Callsign", "A_CALL_SIGN_TOO_LONG", SetFieldResult::TooLong, "DL1ABC"},
        {"faxMode.14.lpm", "90", SetFieldResult::Ok, "90"},
        {"faxMode.14.lpm", "90x", SetFieldResult::NotANumber, "90"},
        {"rttyMode.2.baudE4", "1100000", SetFieldResult::Ok, "1100000"},
        {"CreateEventlog", "2", SetFieldResult::OutOfRange, "0"},
        {"MovieAutostartLeft", "1024", SetFieldResult::Ok, "1024"},
        {"BaudRate", "99999999999", SetFieldResult::OutOfRange, "115200"},
    };
    for (const auto& k : cases) {
        const ConfigField* f = findConfigField(k.name);
        ASSERT_NE(f, nullptr) << k.name;
        EXPECT_EQ(setFieldFromText(c, *f, k.value), k.want) << k.name << "=" << k.value;
        EXPECT_EQ(fieldValueText(c, *f), k.after) << k.name;
    }
    EXPECT_EQ(describe(SetFieldResult::OutOfRange, *findConfigField("RepeaterBeaconinterval")),
              "Invalid entry: must be between 60 and 1800, or 0.");
    EXPECT_EQ(describe(SetFieldResult::OutOfRange, *findConfigField("DataRate")),
              "Invalid entry: must be between 2000 and 12520.");
}

// Every field's value text sets back to the same bytes (what `config dump` shows can be pasted
// into `config set`).
TEST(ConfigFields, ValueTextRoundTrips)
{
    StationConfig c;
    c.setF64(16, 7349.123456789);
    const StationConfig before = c;
    for (const auto& f : configFields())
        ASSERT_EQ(setFieldFromText(c, f, fieldValueText(c, f), false), SetFieldResult::Ok) << f.name;
    EXPECT_TRUE(c == before);
}

// A damaged record: each field out of range (or unreadable) gets its default, with its name
// reported; every other field keeps its value. The default record passes untouched.
TEST(ConfigFields, LoadedRecordsAreRangeChecked)
{
    StationConfig pristine;
    EXPECT_TRUE(resetOutOfRangeFields(pristine).empty());

    StationConfig c;
    const ConfigField& maxLines = *findConfigField("faxMode.3.maxLines");
    const ConfigField& pixels = *findConfigField("faxMode.0.pixelsPerLine");
    const ConfigField& lpm = *findConfigField("faxMode.3.lpm");
    c.setI32(maxLines.offset, 2000000000);
    c.setI32(pixels.offset, -5);
    c.setF64(16, std::numeric_limits<double>::quiet_NaN());  // DataRate
    c.setU8(33, 7);                                          // CreateEventlog, a flag
    c.setU8(findConfigField("Callsign")->offset, 200);       // counted string longer than its field
    c.setI32(findConfigField("RepeaterBeaconinterval")->offset, 0); // 0 is allowed beside 60..1800
    c.setI32(lpm.offset, 240);                               // in range: kept
    c.setI32(findConfigField("mainWindowLeft")->offset, -30000); // no range: kept

    std::vector<std::string> reset = resetOutOfRangeFields(c);
    std::sort(reset.begin(), reset.end());
    EXPECT_EQ(reset, (std::vector<std::string>{"Callsign", "CreateEventlog", "DataRate", "faxMode.0.pixelsPerLine",
                                               "faxMode.3.maxLines"}));
    EXPECT_EQ(c.i32(maxLines.offset), pristine.i32(maxLines.offset));
    EXPECT_EQ(c.i32(pixels.offset), pristine.i32(pixels.offset));
    EXPECT_EQ(c.f64(16), 7350.0);
    EXPECT_EQ(c.u8(33), 0);
    EXPECT_EQ(c.callsign(), "");
    EXPECT_EQ(fieldValueText(c, *findConfigField("RepeaterBeaconinterval")), "0");
    EXPECT_EQ(c.i32(lpm.offset), 240);
    EXPECT_EQ(c.i32(findConfigField("mainWindowLeft")->offset), -30000);
    EXPECT_TRUE(resetOutOfRangeFields(c).empty());
}

// The command line names fields as a user types them: any case, or the dialog's caption.
TEST(ConfigFields, NamesMatchWithoutCaseAndByCaption)
{
    struct Case { const char* typed; const char* field; };
    for (auto k : {Case{"DataRate", "DataRate"}, {"datarate", "DataRate"}, {"data rate", "DataRate"},
                   {"Data rate:", "DataRate"}, {"FAXMODE.3.LPM", "faxMode.3.lpm"}, {"call sign", "Callsign"},
                   {"Command after picture RX", nullptr}, // two fields carry this caption
                   {"no such field", nullptr}, {"", nullptr}}) {
        const ConfigField* f = findConfigField(k.typed);
        if (!k.field)
            EXPECT_EQ(f, nullptr) << k.typed;
        else
            EXPECT_EQ(f ? std::string(f->name) : "none", k.field) << k.typed;
    }
    // Case-folded names are unique, so no field hides another.
    std::set<std::string> folded;
    for (const auto& f : configFields()) {
        std::string n(f.name);
        std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return std::tolower(c); });
        EXPECT_TRUE(folded.insert(n).second) << f.name;
    }
}
