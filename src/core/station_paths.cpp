#include "core/station_paths.h"

#include <cstdlib>

namespace tellur {

std::filesystem::path resolveStationFolder(const std::string& homeOption)
{
    if (!homeOption.empty())
        return std::filesystem::absolute(homeOption);
    if (const char* env = std::getenv("TELLUR32_HOME"); env && *env)
        return std::filesystem::absolute(env);
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::filesystem::path(xdg) / "tellur32";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".local" / "share" / "tellur32";
    return std::filesystem::current_path() / "tellur32";
}

} // namespace tellur
