// Where the station keeps its files (the "station folder"), and file names below it.
#pragma once

#include <filesystem>
#include <string>

namespace tellur {

// --home DIR, else $TELLUR32_HOME, else $XDG_DATA_HOME/tellur32, else ~/.local/share/tellur32.
std::filesystem::path resolveStationFolder(const std::string& homeOption = {});

} // namespace tellur
