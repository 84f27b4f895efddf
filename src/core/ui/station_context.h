// What the windows share: the station folder, the live configuration record and its name, the
// sample ring with its level histogram, the event log, the run flags and the station clock.
// One instance is owned by the application (GUI thread); windows hold a reference.
#pragma once

#include "core/event_log.h"
#include "core/sample_ring.h"
#include "core/station_config.h"

#include <QDateTime>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace tellur::ui {

// Configuration offsets the windows touch directly.
namespace cfg {
inline constexpr std::size_t kInterfaceType = 0;
inline constexpr std::size_t kDataRate = 16;
inline constexpr std::size_t kTransmissionTypeIndex = 32;
inline constexpr std::size_t kCreateEventLog = 33;
inline constexpr std::size_t kCloseQuery = 34;
inline constexpr std::size_t kFolderMasks = 2797; // "Masks & Palettes" folder field
inline constexpr std::size_t kFaxPictureFolder = 1773;
inline constexpr std::size_t kHideDesktopIcons = 3639;
inline constexpr std::size_t kLocalTime = 3640;
inline constexpr std::size_t kRebootAfterException = 3641;
inline constexpr std::size_t kRestartAfterReboot = 3642;
inline constexpr std::size_t kSoundDevice = 3644;
inline constexpr std::size_t kMixerDevice = 3648;
inline constexpr std::size_t kMainLeft = 3984;
inline constexpr std::size_t kMainTop = 3988;
inline constexpr std::size_t kSpectrumLeft = 3992;
inline constexpr std::size_t kSpectrumTop = 3996;
inline constexpr std::size_t kScopeLeft = 4000;
inline constexpr std::size_t kScopeTop = 4004;
inline constexpr std::size_t kExternalMixer = 4531;
inline constexpr std::size_t kFaxModeRow = 5704;
inline constexpr std::size_t kSpectrumOpen = 6218;
inline constexpr std::size_t kAutoPrint = 6220;
inline constexpr std::size_t kAutoSave = 6221;
inline constexpr std::size_t kSquelchThreshold = 6222;
inline constexpr std::size_t kTimestamp = 6223;
inline constexpr std::size_t kAutoLpm = 6224;
inline constexpr std::size_t kFaxToolsLeft = 8908;
inline constexpr std::size_t kFaxToolsTop = 8912;
inline constexpr std::size_t kFaxToolsVisible = 8916;
inline constexpr std::size_t kUsageLeft = 9288;
inline constexpr std::size_t kUsageTop = 9292;
inline constexpr std::size_t kExternalPrograms = 9332;
inline constexpr std::size_t kExternalProgramSize = 319;
inline constexpr int kExternalProgramRows = 11;
inline constexpr std::size_t kHelpLanguage = 12844;
inline constexpr std::size_t kPriorityClass = 16064;
inline constexpr std::int32_t kUnset = 2147483647;

inline constexpr int kInterfaceEasyDsp = 0;
inline constexpr int kInterfacePtc2 = 1;
inline constexpr int kInterfaceSoundCard = 2;
inline constexpr int kInterfaceHariFax = 3;
inline constexpr int kInterfaceOther = 4;
} // namespace cfg

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

    // Run flags.
    int modalPause = 0;
    int currentOperatingMode = -1;
    std::string interfaceStatusMessage;

    // Wall clock; tests inject their own. Station time derives from it.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

    double stationTime() const;
    // A folder field of the configuration ("./X/" or an absolute path) as a path.
    std::filesystem::path folderField(std::size_t offset) const;
    std::filesystem::path configFile(const std::string& name) const { return folder / (name + ".CNJ"); }
    int interfaceType() const { return config.i32(cfg::kInterfaceType); }
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

// The configuration file is the record byte for byte; a file of another size or without the
// header is refused and leaves the record untouched.
bool loadConfigFile(const std::filesystem::path& file, StationConfig& config);
bool saveConfigFile(const std::filesystem::path& file, const StationConfig& config);

} // namespace tellur::ui
