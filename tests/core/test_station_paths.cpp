#include "core/station_paths.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct TempTree {
    fs::path root = fs::temp_directory_path() / ("tellur-paths-" + std::to_string(::getpid()));
    TempTree() { fs::remove_all(root); fs::create_directories(root); }
    ~TempTree() { fs::remove_all(root); }
    void write(const fs::path& rel, const std::string& text) const
    {
        fs::create_directories((root / rel).parent_path());
        std::ofstream(root / rel) << text;
    }
    std::string read(const fs::path& rel) const
    {
        std::ifstream in(root / rel);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST(ProgramDataFolder, IsFoundBesideTheProgramInstalledOrInItsSourceTree)
{
    TempTree t;
    EXPECT_EQ(tellur::programDataFolder(t.root / "usr" / "bin" / "tellur32"), fs::path()) << "nothing shipped";
    t.write("usr/share/tellur32/help/TLEng.html", "x");
    EXPECT_EQ(tellur::programDataFolder(t.root / "usr" / "bin" / "tellur32"), t.root / "usr" / "share" / "tellur32");
    t.write("src/help/TLEng.html", "x");
    EXPECT_EQ(tellur::programDataFolder(t.root / "src" / "build" / "tellur32"), t.root / "src")
        << "a program run from its build folder";
    EXPECT_EQ(tellur::programDataFolder(), fs::path(TELLUR_SOURCE_DIR)) << "this test program";
}

TEST(SeedStationFolder, CopiesTheShippedFilesAndNeverReplacesTheStationsOwn)
{
    TempTree t;
    t.write("data/defaults/ports.conf", "shipped\n");
    t.write("data/defaults/Masks & Palettes/grey.pal", "palette");
    t.write("station/ports.conf", "mine\n");
    tellur::seedStationFolder(t.root / "station", t.root / "data");
    EXPECT_EQ(t.read("station/ports.conf"), "mine\n");
    EXPECT_EQ(t.read("station/Masks & Palettes/grey.pal"), "palette");

    tellur::seedStationFolder(t.root / "other", t.root / "nowhere");
    tellur::seedStationFolder(t.root / "other", {});
    EXPECT_FALSE(fs::exists(t.root / "other")) << "nothing to seed, nothing made";
}

} // namespace
