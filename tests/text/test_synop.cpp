#include "text/synop_decoder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

using namespace tellur::text;

namespace {

std::vector<std::string> readLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> decode(const std::vector<std::string>& in, bool* ok = nullptr,
                                const SynopStationList& stations = {})
{
    std::vector<std::string> out{"stale"};
    bool r = decodeSynop(in, out, stations);
    if (ok)
        *ok = r;
    return out;
}

bool contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

int count(const std::vector<std::string>& lines, const std::string& prefix)
{
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

const std::vector<std::string> kWorked = {
    "AAXX 09121",
    "10384 41598 70912 10123 21010 30123 40156 52015 60002 70260 83753 333 10145 80350="};

} // namespace

TEST(Synop, WorkedExampleMatchesGoldenText)
{
    bool ok = false;
    auto out = decode(kWorked, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(out, readLines(TELLUR_FIXTURES_DIR "/text/synop_worked_example.txt"));
}

TEST(Synop, StationListNamesAndPositions)
{
    SynopStationList list;
    list.loadFromText("10384;EDDT\tBerlin-Tegel\t\tGermany\t52-34N\t013-19E\r\n"
                      "short\n"
                      "10385 ----\tSchoenefeld\tBB\n");
    ASSERT_EQ(list.size(), 2u);
    auto out = decode(kWorked, nullptr, list);
    EXPECT_TRUE(contains(out, "Station:          10384 Berlin-Tegel (EDDT), Germany"));
    EXPECT_TRUE(contains(out, "Position:         52-34N, 013-19E"));
    ASSERT_NE(list.find("10385"), nullptr);
    EXPECT_EQ(list.find("10385")->name, "Schoenefeld, BB");
}

TEST(Synop, ShipReportsWithFourAndFiveCharacterCallSigns)
{
    for (const char* line : {"DHAL 19004 99607 50455 41298 81307 10001 22200 00019 20603 31827 41005 =",
                             "DHALX 19004 99607 50455 41298 81307 10001 22200 00019 20603 31827 41005 ="}) {
        bool ok = false;
        auto out = decode({"BBXX", line}, &ok);
        ASSERT_TRUE(ok) << line;
        EXPECT_EQ(out[0], "SHIP messages BBXX");
        EXPECT_EQ(out[3], std::string("Station:          ") + (line[4] == ' ' ? "DHAL" : "DHALX") + " ");
        EXPECT_TRUE(contains(out, "Position:         60.7° S, 045.5° W")) << line;
        EXPECT_TRUE(contains(out, "Time of observ:   190000 UTC"));
        EXPECT_TRUE(contains(out, "Wind:             130°, 7 kts (measured)"));
        EXPECT_TRUE(contains(out, "Ship speed:       not moving"));
        EXPECT_TRUE(contains(out, "Sea surf. temp.:  1.9 °C"));
        EXPECT_TRUE(contains(out, "Wave height ins.: 1.5 m, period: 6 sec."));
        EXPECT_TRUE(contains(out, "Primary swell:    180°, period: 10 s, height: 2.5 m"));
        EXPECT_TRUE(contains(out, "Secondary swell:  270°"));
    }
}

TEST(Synop, CoverageCloudLayersAndInterruptedReport)
{
    auto out = decode({"AAXX 09121", "10384 41598 91012 10123 333 80350 80350 81360 82370 83380 84390="});
    EXPECT_TRUE(contains(out, "Total coverage:   ???, base of lowest: 600 to 1000 m"));
    EXPECT_EQ(count(out, "Cloud layer 1:    0/8, altocumulus (Ac), 1500 m"), 1);
    EXPECT_TRUE(contains(out, "Cloud layer 2:    0/8, altocumulus (Ac), 1500 m"));
    EXPECT_TRUE(contains(out, "Cloud layer 4:    2/8, altocumulus (Ac), 6000 m"));
    EXPECT_EQ(count(out, "Cloud layer 5"), 0);

    bool ok = false;
    out = decode({"AAXX 09121", "10384 41598 70912 10123 21010", "ICE REPORT FOLLOWS 40156",
                  "10385 41598 70912 10123 21010 30123="},
                 &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(contains(out, "Temperature:      12.3 °C, dew point: -1.0 °C"));
    EXPECT_EQ(count(out, "Pressure:"), 1); // only the second report reached its pressure group
    EXPECT_EQ(count(out, "Station:"), 2);
}

TEST(Synop, GroupTextsAndCodeTables)
{
    struct Case {
        const char* groups;
        const char* line;
    };
    const Case cases[] = {
        {"41500 70912 11056", "Temperature:      -5.6 °C"},
        {"41500 70912 29085", "Dew point:        85% RH"},
        {"41500 70912 2101/", "Dew point:        -1.0"},
        {"41500 70912 39987", "Pressure:         998.7 hPa (station)"},
        {"41500 70912 4012/", "Pressure:         012/ hPa (MSL)"},
        {"41500 70912 54032", "Press. tendency:  +/-3.2 hPa, steady"},
        {"41500 70912 69891", " > 989 mm / 6 hours"},
        {"41500 70912 6990/", "Precipitation:    traces / 24 hours"},
        {"41500 70912 69947", "Precipitation:    0.4 mm / 3 hour"},
        {"41500 70912 00105", "Wind:             90°, 105 kts (measured)"},
        {"41505 70912", "Visibility:       0.5 km"},
        {"41560 70912", "Visibility:       10 km"},
        {"41582 70912", "Visibility:       40 km"},
        {"415// /0912", "Total coverage:   ---, base of lowest: 600 to 1000 m"},
        {"41/// 70912", "Visibility:       ---"},
        {"41500 70912 333 40123 70045", "Snow depth:       123 cm, ground predominantly covered with ice"},
        {"41500 70912 60102 333 70045", "Precipitation:    10 mm / 12 hours, in last 24 hours: 0045 mm"},
        {"41500 70912 333 20031", "Min. temp.(24h):  3.1 °C"},
        {"41500 70912 333 80356 81389 82090", "Cloud layer 3:    2/8, cirrus (Ci), 0..50 m"},
        {"41500 70912 90845 555 10000 80350", "Station:          10384 "},
    };
    for (const Case& c : cases) {
        auto out = decode({"AAXX 09121", std::string("10384 ") + c.groups + " 7//// 7////="});
        bool found = std::any_of(out.begin(), out.end(), [&](const std::string& l) {
            return l == c.line || (c.line[0] == ' ' && l.find(c.line) != std::string::npos);
        });
        EXPECT_TRUE(found) << c.groups;
    }
    auto out = decode({"AAXX 09121", "10384 41500 70912 333 80356 81389 82356"});
    EXPECT_TRUE(contains(out, "Cloud layer 2:    1/8, altocumulus (Ac), > 21000 m")) << "cut off by the end of input";
}

TEST(Synop, NoBulletinGivesNothingAndJunkNeverCrashes)
{
    bool ok = true;
    EXPECT_TRUE(decode({"ZCZC KA01", "10384 41598 70912 10123="}, &ok).empty());
    EXPECT_FALSE(ok);

    std::mt19937 rng(7);
    const std::string alphabet = "0123456789/ =ABXAAXXBBXX999\t";
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> in{round % 2 ? "BBXX" : "AAXX 01001"};
        for (int l = 0; l < 5; ++l) {
            std::string line;
            std::size_t len = rng() % (round == 299 ? 100000 : 80);
            for (std::size_t i = 0; i < len; ++i)
                line += alphabet[rng() % alphabet.size()];
            in.push_back(line);
        }
        decode(in);
    }
}

TEST(Synop, RealBulletinsDecodeEveryStation)
{
    struct File {
        const char* name;
        int reports;
    };
    for (File f : {File{"real_bulletin_SMRO01_YRBK_211200.txt", 23}, File{"real_bulletin_SMCU20_MUHV_310000.txt", 66}}) {
        auto in = readLines(std::string(TELLUR_SHARED_DIR "/testdata/real/synop/") + f.name);
        if (in.empty())
            GTEST_SKIP() << "real SYNOP bulletins not present";
        bool ok = false;
        auto out = decode(in, &ok);
        EXPECT_TRUE(ok);
        // Reports too short for a station line ("NIL") are dropped by the scanner.
        EXPECT_GE(count(out, "Station:"), f.reports * 3 / 4) << f.name;
        EXPECT_LE(count(out, "Station:"), f.reports) << f.name;
    }
}
