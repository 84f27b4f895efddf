// Where the station keeps its files (the "station folder"), where the program's shipped data
// lies, and file names below them.
#pragma once

#include <filesystem>
#include <string>

namespace tellur {

// --home DIR, else $TELLUR32_HOME, else $XDG_DATA_HOME/tellur32, else ~/.local/share/tellur32.
std::filesystem::path resolveStationFolder(const std::string& homeOption = {});

// The data the program ships (help, the new station's files), found beside the running program
// so that an installed tree keeps working wherever it was unpacked: <prefix>/share/tellur32 for
// <prefix>/bin/<program>, or the source tree for a program run from its build folder. Empty
// when neither holds a "help" folder.
std::filesystem::path programDataFolder();
std::filesystem::path programDataFolder(const std::filesystem::path& executable);

// Copies the shipped files for a new station ("defaults" below the data folder) into the
// station folder; a file the station has already is never replaced.
void seedStationFolder(const std::filesystem::path& stationFolder, const std::filesystem::path& dataFolder);

} // namespace tellur
