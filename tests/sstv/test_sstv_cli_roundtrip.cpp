// Every transmission mode through the command-line tool: `encode sstv` with the default
// identification ("Call sign in header") fits a picture below the 16-row header band, and
// `decode sstv` recognises the mode and stores the picture under the "Last Received" name.
#include "sstv_test_util.h"

#include "sstv/picture_fit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace tellur;
using namespace tellur::sstv;
using namespace sstvtest;
namespace fs = std::filesystem;

namespace {

// The rows below the header band.
RgbPicture belowBand(const RgbPicture& p)
{
    RgbPicture out(p.width(), p.height() - kHeaderBandRows);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            out.setPixel(x, y, p.getPixel(x, y + kHeaderBandRows));
    return out;
}

class SstvCliRoundTrip : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(SstvCliRoundTrip, HeaderStampedPictureComesBackInItsMode)
{
    const int row = GetParam();
    const auto& mode = kSstvModes[static_cast<std::size_t>(row)];
    const fs::path dir = fs::temp_directory_path() / ("tellur-sstv-cli-rt-" + std::to_string(::getpid()) + "-" + std::to_string(row));
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    const RgbPicture source = colouredScreen(320, 240);
    ASSERT_TRUE(source.save(dir / "source.png"));
    const std::string home = std::string(TELLUR_CLI_PATH) + " -q --home '" + (dir / "home").string() + "' ";
    const std::string wav = (dir / "a.wav").string();
    ASSERT_EQ(std::system((home + "encode sstv --sstv-mode " + std::to_string(row) + " --callsign DL1ABC '" +
                           (dir / "source.png").string() + "' '" + wav + "' > /dev/null 2>&1")
                              .c_str()),
              0);
    const std::string events = (dir / "events.json").string();
    ASSERT_EQ(std::system((home + "--json decode sstv --out '" + (dir / "out").string() + "' '" + wav + "' > '" + events +
                           "' 2>/dev/null")
                              .c_str()),
              0);
    std::ifstream in(events);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string name(mode.name);
    EXPECT_NE(text.find("{\"event\":\"sstv-mode\",\"time\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"mode\":\"" + name + "\""), std::string::npos) << text;

    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir / "out"))
        files.push_back(e.path());
    ASSERT_EQ(files.size(), 1u) << text;
    EXPECT_EQ(files[0].filename().string().substr(13), " " + name + ".PNG");
    RgbPicture decoded;
    ASSERT_TRUE(decoded.load(files[0]));
    ASSERT_EQ(decoded.width(), mode.columns);
    ASSERT_EQ(decoded.height(), mode.rows);

    RgbPicture fitted(mode.columns, mode.rows);
    fitPicture(source, fitted, true, kHeaderBandRows);
    const RgbPicture expected = mode.colourScheme == kSchemeMono ? greyOf(fitted) : fitted;
    const double db = psnr(belowBand(decoded), belowBand(expected));
    // The specified receiver, as the configuration chooses by default (see the receiver round trip).
    EXPECT_GE(db, row == kRobot36Row ? 17.0 : 19.0);
    std::printf("[ psnr     ] %-10s below the header %.1f dB\n", name.c_str(), db);
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(AllModes, SstvCliRoundTrip, ::testing::Range(0, kTransmissionModeCount));
