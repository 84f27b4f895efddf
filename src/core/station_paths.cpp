#include "core/station_paths.h"

#include <cstdlib>
#include <system_error>

namespace tellur {

namespace fs = std::filesystem;

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

fs::path programDataFolder(const fs::path& executable)
{
    const fs::path prefix = executable.parent_path().parent_path();
    std::error_code ec;
    for (const fs::path& candidate : {prefix / "share" / "tellur32", prefix})
        if (fs::is_directory(candidate / "help", ec))
            return candidate;
    return {};
}

fs::path programDataFolder()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : programDataFolder(self);
}

void seedStationFolder(const fs::path& stationFolder, const fs::path& dataFolder)
{
    const fs::path defaults = dataFolder / "defaults";
    std::error_code ec;
    if (dataFolder.empty() || !fs::is_directory(defaults, ec))
        return;
    for (auto it = fs::recursive_directory_iterator(defaults, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::path target = stationFolder / fs::relative(it->path(), defaults, ec);
        std::error_code step;
        if (it->is_directory(step))
            fs::create_directories(target, step);
        else if (!fs::exists(target, step))
            fs::copy_file(it->path(), target, step);
    }
}

} // namespace tellur
