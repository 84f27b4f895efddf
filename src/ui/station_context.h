// What the windows share: the station folder, the live configuration record and its name, the
// sample ring with its level histogram, the event log, the run flags and the station clock.
// One instance is owned by the application (GUI thread); windows hold a reference.
#pragma once

#include "core/config_file.h"
#include "core/event_log.h"
#include "core/operating_mode.h"
#include "core/sample_ring.h"
#include "core/station_config.h"

#include <QDateTime>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace tellur::ui {

// Station time as a day count (days since 1899-12-30, fractions for the time of day), so that
// "minutes / 1440" arithmetic reads as it is meant.
double toDayCount(const QDateTime& t);
QDateTime fromDayCount(double days);

struct StationContext {
    std::filesystem::path folder;      // the station folder
    StationConfig config;
    std::string configName;            // current configuration name (without ".CNJ")
    std::string standardConfigName = "tellur32";

    SampleRing ring;
    LevelHistogram histogram;
    std::shared_ptr<EventLog> log = std::make_shared<NullEventLog>();

    // Run flags shared with the mode switch and the ring writers; the modal pause counter only
    // concerns the windows.
    RunFlags flags;
    int modalPause = 0;

    // Wall clock; tests inject their own. Station time derives from it.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

    double stationTime() const;
    // A folder field of the configuration, absolute.
    std::filesystem::path folderField(StationFolder f) const { return folderPath(config, f, folder); }
    std::filesystem::path configFile(const std::string& name) const { return folder / (name + ".CNJ"); }
    int interfaceType() const { return config.interfaceType(); }
};

// Raises the modal pause counter for a scope (a modal dialog, a nested wait).
class ModalPause {
public:
    explicit ModalPause(StationContext& s) : m_s(s) { ++m_s.modalPause; }
    ~ModalPause() { --m_s.modalPause; }
    ModalPause(const ModalPause&) = delete;
    ModalPause& operator=(const ModalPause&) = delete;

private:
    StationContext& m_s;
};

} // namespace tellur::ui

namespace tellur::ui {

// A configuration file anywhere on disk ("Load configuration...", "Save configuration as..."):
// the record byte for byte; a file of another size or without the header is refused and leaves
// the record untouched.
bool loadConfigFile(const std::filesystem::path& file, StationConfig& config);
bool saveConfigFile(const std::filesystem::path& file, const StationConfig& config);

} // namespace tellur::ui
