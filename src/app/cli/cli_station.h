// The station as every command-line subcommand sees it: the station folder from the common
// options (created with its sub-folders and a default configuration when missing), the named or
// standard configuration loaded into a live record, and the file-backed event logs.
#pragma once

#include "app/cli/cli.h"
#include "core/config_file.h"
#include "core/file_event_log.h"
#include "core/station_config.h"

#include <memory>
#include <string>

namespace tellur::cli {

class CliStation {
public:
    // Throws std::runtime_error when the station folder cannot be created. A configuration that
    // cannot be loaded leaves the compiled-in defaults in force (with a note on standard error);
    // its file is not overwritten unless the command saves.
    explicit CliStation(const CommonOptions& opts);

    StationConfig& config() { return m_config; }
    ConfigFileStore& store() { return m_store; }
    FileEventLog& log() { return m_log; }
    const std::filesystem::path& folder() const { return m_folder; }
    // The folder a field names, absolute.
    std::filesystem::path folderPath(StationFolder f) const { return tellur::folderPath(m_config, f, m_folder); }

    // False when the configuration file was there but could not be loaded (the defaults are in force).
    bool loaded() const { return m_loaded; }
    // Saves under the name given with --config (created when new), else the name in force.
    bool save();

private:
    std::filesystem::path m_folder;
    FileEventLog m_log;
    ConfigFileStore m_store;
    StationConfig m_config;
    std::string m_requestedName;
    bool m_loaded = false;
};

} // namespace tellur::cli
