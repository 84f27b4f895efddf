#include "app/cli/cli_station.h"

#include "core/station_paths.h"
#include "core/station_time.h"

#include <cstdio>
#include <stdexcept>
#include <system_error>

namespace tellur::cli {

CliStation::CliStation(const CommonOptions& opts)
    : m_folder(opts.stationFolder.empty() ? resolveStationFolder(opts.home) : opts.stationFolder),
      m_log(m_folder, SystemWallClock::instance()), m_store(m_folder, m_log),
      m_requestedName(ConfigFileStore::reduceName(opts.configName))
{
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    if (!std::filesystem::is_directory(m_folder, ec))
        throw std::runtime_error("cannot create the station folder " + m_folder.string());
    m_log.applyConfig(m_config);
    if (!std::filesystem::exists(m_store.standardFile(), ec)) {
        // A new station: the standard configuration with its folders, as the first start makes it.
        seedStationFolder(m_folder, programDataFolder());
        StationConfig fresh;
        m_store.setUpFolders(fresh);
        for (int i = 0; i < kFolderCount; ++i)
            m_store.ensureFolder(fresh, static_cast<StationFolder>(i));
        if (!m_store.save(fresh, {}))
            throw std::runtime_error("cannot write " + m_store.standardFile().string());
    }
    if (!m_requestedName.empty() && !std::filesystem::exists(m_store.fileFor(m_requestedName), ec) && !opts.quiet)
        std::fprintf(stderr, "tellur32-cli: configuration %s not found, using the standard one\n",
                     m_requestedName.c_str());
    if (m_store.load(m_config, m_requestedName)) {
        m_log.applyConfig(m_config);
    } else {
        if (!opts.quiet)
            std::fprintf(stderr, "tellur32-cli: configuration %s could not be loaded, using the defaults\n",
                         m_store.fileFor(m_requestedName).string().c_str());
        m_store.setUpFolders(m_config);
    }
}

bool CliStation::save()
{
    return m_store.save(m_config, m_requestedName.empty() ? m_store.configurationName() : m_requestedName);
}

} // namespace tellur::cli
