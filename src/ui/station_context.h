// What the windows share: the station folder, the live configuration record and its name, the
// sample ring with its level histogram, the event log, the run flags and the station clock.
// One instance is owned by the application (GUI thread); windows hold a reference.
#pragma once

#include "core/config_file.h"
#include "core/event_log.h"
#include "core/operating_mode.h"
#include "core/sample_ring.h"
#include "core/station_config.h"
#include "core/station_time.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace tellur::ui {

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
    const WallClock* clock = &SystemWallClock::instance();

    // Printing goes into this PDF file instead of the default printer when set.
    std::filesystem::path printFile;

    double stationTime() const { return stationTimeDays(*clock, config.useLocalTime()); }
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
