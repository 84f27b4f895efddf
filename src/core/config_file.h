// Named configuration files: the station configuration record written byte for byte as
// "<name>.CNJ" in the station folder; the standard configuration is "tellur32.CNJ". Loading
// never leaves a half-read record behind: a missing, unreadable, short, long or foreign file
// leaves the live record exactly as it was. Owned by the application (GUI thread).
#pragma once

#include "core/station_config.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tellur {
class EventLog;

inline constexpr std::string_view kStandardConfigName = "tellur32";

class ConfigFileStore {
public:
    ConfigFileStore(std::filesystem::path stationFolder, EventLog& log);

    // A plain configuration name: the file name part before its first "." ("Contest.old" and
    // "/tmp/Contest.CNJ" give "Contest"); empty for the standard configuration.
    static std::string reduceName(std::string_view name);
    std::filesystem::path fileFor(std::string_view name) const;
    std::filesystem::path standardFile() const { return fileFor({}); }

    // Empty names mean the standard configuration. A named file that cannot be opened falls back
    // to the standard one. On success the configuration name becomes the name used and the
    // folders are set up and ensured.
    bool load(StationConfig& live, std::string_view name);
    // Writes through a temporary file of its own, flushed before the rename, so a crash or a kill
    // mid-write keeps the old file and parallel saves never share a temporary file.
    bool save(StationConfig& live, std::string_view name);

    // Puts the fields of a loaded record that the field table rejects back to their defaults and
    // returns their names; the table lives above this layer, so the owner supplies it. Each reset
    // field is logged with "+++".
    using RecordRepair = std::function<std::vector<std::string>(StationConfig&)>;
    void setRecordRepair(RecordRepair repair) { m_repair = std::move(repair); }

    // The name in force; the standard name when nothing else was loaded or saved.
    const std::string& configurationName() const { return m_name; }
    bool isStandard() const { return m_name == kStandardConfigName; }

    // While a scheduled event runs, or after the dialog's reset, saving writes nothing.
    void setScheduleEventRunning(bool on) { m_eventRunning = on; }
    void setResetDone(bool on) { m_resetDone = on; }
    bool saveSuppressed() const { return m_eventRunning || m_resetDone; }

    // Makes the eleven folder fields absolute below the station folder, with "/" separators and a
    // trailing "/".
    void setUpFolders(StationConfig& config) const;
    // Creates the folder of the field; when that fails the field falls back to the folder of its
    // standard name below the station folder. Returns the folder in use.
    std::filesystem::path ensureFolder(StationConfig& config, StationFolder folder) const;

    const std::filesystem::path& stationFolder() const { return m_station; }

private:
    std::filesystem::path m_station;
    EventLog& m_log;
    std::string m_name{kStandardConfigName};
    bool m_eventRunning = false;
    bool m_resetDone = false;
    RecordRepair m_repair;
};

// Takes the bytes of a configuration file; true (and out filled) only for exactly one record
// with the configuration header. out is untouched otherwise.
bool decodeConfigRecord(std::span<const std::uint8_t> bytes, StationConfig& out);

// A configuration file anywhere on disk, the record byte for byte. Loading refuses a file of
// another size or without the header and leaves the record untouched; saving goes through a
// temporary file and a rename, so a crash mid-write keeps the old file.
bool loadConfigFile(const std::filesystem::path& file, StationConfig& config);
bool saveConfigFile(const std::filesystem::path& file, const StationConfig& config);

// The folder a field names, made absolute against the station folder when it is still relative
// (before set-up, or when the absolute path did not fit the field); no trailing "/".
std::filesystem::path folderPath(const StationConfig& config, StationFolder folder,
                                 const std::filesystem::path& stationFolder);

} // namespace tellur
