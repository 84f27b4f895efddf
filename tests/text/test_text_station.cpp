// The text station on its own: the PTC-II's characters and status bytes through the ring items,
// the message closed when the modem reports the signal gone, and the end-of-input rule.
#include "text/text_station.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace tellur::text {
namespace {

namespace fs = std::filesystem;

class Recorder final : public TextStationListener {
public:
    void messageFramed(const FramedMessage& m, int quality, bool stored) override
    {
        ids.push_back(m.id);
        qualities.push_back(quality);
        storedFlags.push_back(stored);
    }
    std::vector<std::string> ids;
    std::vector<int> qualities;
    std::vector<bool> storedFlags;
};

std::vector<std::uint16_t> bytes(const std::string& s)
{
    return std::vector<std::uint16_t>(s.begin(), s.end());
}

TextStationSettings settingsIn(const fs::path& dir, bool ptc)
{
    TextStationSettings s;
    s.ptc = ptc;
    s.textFolder = dir / "text";
    s.databaseFolder = dir / "db";
    return s;
}

TEST(TextStation, PtcStatusBytesAndTheSignalGoneStoreTheMessage)
{
    const fs::path dir = fs::temp_directory_path() / ("tellur_text_station_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    Recorder rec;
    TextStation station(settingsIn(dir, true), rec);
    ASSERT_EQ(station.open(45000.0), "");
    station.applyMode(kDefaultRttyModes[6]);

    // A status byte with a signal: running; the 0x1E pair yields no character.
    station.decode(bytes("ZCZC KA01\r\nGALE WARNING\r\n\x1e\x01"), 45000.0);
    EXPECT_TRUE(station.takePtcStatusSeen());
    EXPECT_TRUE(station.running());
    station.consume(45000.0);
    EXPECT_EQ(station.flushDisplay(), "ZCZC KA01\nGALE WARNING\n");
    EXPECT_TRUE(rec.ids.empty());

    // All three low bits set: the signal is gone, the message being read is stored.
    station.decode(bytes("WIND NW 8\r\n\x1e\x07"), 45000.01);
    EXPECT_FALSE(station.running());
    ASSERT_EQ(rec.ids, std::vector<std::string>{"KA01"});
    EXPECT_TRUE(rec.storedFlags.front());
    const auto stored = station.store()->find("KA01");
    ASSERT_TRUE(stored);
    EXPECT_NE(stored->message.find("WIND NW 8"), std::string::npos);
    EXPECT_FALSE(station.endOfInput()) << "nothing left in progress";

    // A message still being read at the end of the input is dropped and reported.
    station.decode(bytes("\x1e\x01ZCZC KB02\r\nSTORM\r\n"), 45000.02);
    station.consume(45000.02);
    EXPECT_TRUE(station.endOfInput());
    EXPECT_FALSE(station.endOfInput());
    station.close(45000.03, nullptr);
    EXPECT_FALSE(station.store()->find("KB02"));
    fs::remove_all(dir);
}

} // namespace
} // namespace tellur::text
