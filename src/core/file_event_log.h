// The four station logs as files in "Logfiles" below the station folder. Each entry opens the
// file for appending, writes one whole line and closes it, so a line is never torn even when
// several threads (GUI, sound-device callbacks, transmitter threads) log at once, and a log
// that cannot be written (read-only folder, full disk) just loses the entry.
// Thread-safe; the switches are atomics so the owner may change them while others log.
#pragma once

#include "core/event_log.h"

#include <atomic>
#include <filesystem>
#include <mutex>

namespace tellur {
class StationConfig;
class WallClock;

class FileEventLog final : public EventLog {
public:
    // The clock must outlive the log.
    FileEventLog(std::filesystem::path stationFolder, const WallClock& clock);

    // Takes "Create event log:", "Log geostationary sat headers:" and the local-time switch.
    void applyConfig(const StationConfig& config) override;
    void setActionLogEnabled(bool on) { m_actionOn.store(on); }
    bool actionLogEnabled() const { return m_actionOn.load(); }
    void setSatelliteLogEnabled(bool on) { m_satOn.store(on); }
    void setUseLocalTime(bool on) { m_localTime.store(on); }

    void action(std::string_view text) override;
    void forcedAction(std::string_view text) override;
    void error(std::string_view text) override;
    void satellite(std::string_view text) override;
    void repeater(std::string_view text) override;

    std::filesystem::path folder() const { return m_folder; }
    static constexpr const char* kActionFile = "Action-log.txt";
    static constexpr const char* kErrorFile = "Error-log.txt";
    static constexpr const char* kSatFile = "Sat-log.txt";
    static constexpr const char* kRepeaterFile = "Repeater-log.txt";

private:
    void append(const char* file, std::string_view text);

    std::filesystem::path m_folder;
    const WallClock& m_clock;
    std::atomic<bool> m_actionOn{false};
    std::atomic<bool> m_satOn{false};
    std::atomic<bool> m_localTime{false};
    std::mutex m_mutex;
};

} // namespace tellur
