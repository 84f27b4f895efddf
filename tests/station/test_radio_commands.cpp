// The transceiver command formats byte for byte, and the texts they are built from.
#include "core/station_config.h"
#include "station/radio_commands.h"

#include <gtest/gtest.h>

using namespace tellur;
using namespace tellur::station;

namespace {

std::string bytes(std::initializer_list<int> b)
{
    std::string s;
    for (int v : b)
        s += static_cast<char>(v);
    return s;
}

RadioPortEntry entry(RadioType type, std::string address = "$56", std::string command = {})
{
    RadioPortEntry e;
    e.asciiControl = true;
    e.type = type;
    e.address = std::move(address);
    e.command = std::move(command);
    return e;
}

} // namespace

TEST(RadioCommands, EachTypeSendsItsBytes)
{
    struct Case {
        const char* what;
        RadioPortEntry entry;
        const char* khz;
        std::string first;
        std::string second;
    };
    const Case cases[] = {
        {"Icom $56", entry(RadioType::Icom), "14230.5",
         bytes({0xFE, 0xFE, 0x56, 0xE0, 0x00, 0x00, 0x05, 0x23, 0x14, 0xFD}),
         bytes({0xFE, 0xFE, 0x56, 0xE0, 0x06, 0x01, 0xFD})},
        {"Icom decimal address 88", entry(RadioType::Icom, "88"), "7040",
         bytes({0xFE, 0xFE, 0x58, 0xE0, 0x00, 0x00, 0x00, 0x04, 0x07, 0xFD}),
         bytes({0xFE, 0xFE, 0x58, 0xE0, 0x06, 0x01, 0xFD})},
        {"Icom keeps the eight lowest digits", entry(RadioType::Icom, "$5e"), "1296123.456",
         bytes({0xFE, 0xFE, 0x5E, 0xE0, 0x00, 0x56, 0x34, 0x12, 0x96, 0xFD}),
         bytes({0xFE, 0xFE, 0x5E, 0xE0, 0x06, 0x01, 0xFD})},
        {"Kenwood VFO A", entry(RadioType::Kenwood, "A"), "7040", "FA00007040000;", "MD2;"},
        {"Kenwood VFO B", entry(RadioType::Kenwood, "B"), "7040", "FB00007040000;", "MD2;"},
        {"Kenwood VFO b", entry(RadioType::Kenwood, "b"), "7040", "FB00007040000;", "MD2;"},
        {"Kenwood VFO 2", entry(RadioType::Kenwood, "2"), "7040", "FB00007040000;", "MD2;"},
        {"Kenwood default address is VFO A", entry(RadioType::Kenwood), "14230,5", "FA00014230500;", "MD2;"},
        {"Yaesu 1", entry(RadioType::Yaesu1), "14230.5", bytes({0x50, 0x30, 0x42, 0x01, 0x0A}),
         bytes({0x01, 0x01, 0x01, 0x01, 0x0C})},
        {"Yaesu 2", entry(RadioType::Yaesu2), "14230.5", bytes({0x01, 0x42, 0x30, 0x50, 0x01}),
         bytes({0x01, 0x01, 0x01, 0x01, 0x07})},
        {"Direct with @", entry(RadioType::Direct, "", "$0AF@$0D"), "3580", "\nF3580\r", ""},
        {"Direct with a comma", entry(RadioType::Direct, "", "FA@;"), "3580,25", "FA3580.25;", ""},
        {"rigctld", entry(RadioType::Rigctld, "", "localhost:4532"), "14230.5", "F 14230500\n", "M USB 0\n"},
    };
    for (const auto& c : cases) {
        const auto f = parseFrequency(c.khz);
        ASSERT_TRUE(f) << c.what;
        const auto cmds = radioCommands(c.entry, *f);
        ASSERT_TRUE(cmds) << c.what;
        EXPECT_EQ(cmds->first, c.first) << c.what;
        EXPECT_EQ(cmds->second, c.second) << c.what;
    }
}

TEST(RadioCommands, AnIcomAddressThatIsNoByteSendsNothing)
{
    for (const char* address : {"", "$", "xyz", "256", "$1G"}) {
        EXPECT_FALSE(icomAddress(address)) << address;
        EXPECT_FALSE(radioCommands(entry(RadioType::Icom, address), *parseFrequency("7040"))) << address;
    }
    EXPECT_EQ(icomAddress("$56"), 0x56);
    EXPECT_EQ(icomAddress("$a"), 0x0A);
    EXPECT_EQ(icomAddress("94"), 94);
}

TEST(RadioCommands, DirectTextDecodesDollarPairs)
{
    struct Case {
        const char* text;
        std::string bytes;
    };
    const Case cases[] = {
        {"$0a$0D", "\n\r"},
        {"AB$4", "AB"},        // fewer than two characters after "$" end the text
        {"AB$", "AB"},
        {"$ZZ1", "$ZZ1"},      // no hexadecimal pair: the "$" stays
        {"$40", "@"},          // a decoded "@" is replaced by the frequency afterwards
        {"plain", "plain"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeDirectCommand(c.text), c.bytes) << c.text;
    EXPECT_EQ(radioCommands(entry(RadioType::Direct, "", "$40"), *parseFrequency("7040"))->first, "7040");
}

TEST(RadioCommands, FrequencyTexts)
{
    struct Case {
        const char* text;
        bool valid;
        const char* normal;
        std::int64_t hz;
        std::int64_t tenHz;
    };
    const Case cases[] = {
        {"14230.5", true, "14230.5", 14230500, 1423050},
        {"14230,5", true, "14230.5", 14230500, 1423050},
        {" 7040 ", true, "7040", 7040000, 704000},
        {"0.0005", true, "0.0005", 0, 0}, // 0.5 Hz rounds to even
        {"0.0015", true, "0.0015", 2, 0},
        {"3580.125", true, "3580.125", 3580125, 358012},
        {"", false, "", 0, 0},
        {"abc", false, "", 0, 0},
        {"14.230.5", false, "", 0, 0},
        {"7040 kHz", false, "", 0, 0},
        {"-7040", false, "", 0, 0},
        {"nan", false, "", 0, 0},
        {"1e10", false, "", 0, 0},
    };
    for (const auto& c : cases) {
        const auto f = parseFrequency(c.text);
        ASSERT_EQ(f.has_value(), c.valid) << c.text;
        if (!f)
            continue;
        EXPECT_EQ(f->text, c.normal) << c.text;
        EXPECT_EQ(f->hz, c.hz) << c.text;
        EXPECT_EQ(f->tenHz, c.tenHz) << c.text;
    }
}

TEST(RadioCommands, RigctldEndpoints)
{
    struct Case {
        const char* text;
        const char* host; // nullptr: refused
        int port;
    };
    const Case cases[] = {
        {"", "localhost", 4532},
        {"localhost:4532", "localhost", 4532},
        {"127.0.0.1:4533", "127.0.0.1", 4533},
        {"shack-pi", "shack-pi", 4532},
        {"[::1]:4534", "::1", 4534},
        {"host:0", nullptr, 0},
        {"host:70000", nullptr, 0},
        {"host:45x", nullptr, 0},
        {"::1:4532", nullptr, 0},
        {":4532", nullptr, 0},
    };
    for (const auto& c : cases) {
        const auto e = parseRigctldEndpoint(c.text);
        ASSERT_EQ(e.has_value(), c.host != nullptr) << c.text;
        if (!e)
            continue;
        EXPECT_EQ(e->host, c.host) << c.text;
        EXPECT_EQ(e->port, c.port) << c.text;
    }
    EXPECT_EQ(parseRigctldEndpoint("[::1]:4534")->text(), "[::1]:4534");
}

TEST(RadioCommands, EntriesRoundTripThroughTheRecord)
{
    StationConfig config;
    const RadioPortEntry fresh = radioPortEntry(config, 3);
    EXPECT_EQ(fresh.type, RadioType::Icom);
    EXPECT_EQ(fresh.baudRate, 2400);
    EXPECT_EQ(fresh.address, "$56");

    RadioPortEntry e{"rigctl.sh @", true, false, 7, 19200, RadioType::Rigctld, "B"};
    setRadioPortEntry(config, 4, e);
    const RadioPortEntry back = radioPortEntry(config, 4);
    EXPECT_EQ(back.command, e.command);
    EXPECT_EQ(back.ptcControl, e.ptcControl);
    EXPECT_EQ(back.asciiControl, e.asciiControl);
    EXPECT_EQ(back.comPort, 7);
    EXPECT_EQ(back.baudRate, 19200);
    EXPECT_EQ(back.type, RadioType::Rigctld);
    EXPECT_EQ(back.address, "B");
    // The neighbours are untouched.
    EXPECT_EQ(radioPortEntry(config, 3).baudRate, 2400);
    EXPECT_EQ(config.i32(cfg::kMainWindowLeft), StationConfig().i32(cfg::kMainWindowLeft));
}
