// The upper layer of mode selection: the main window's operating-type list ("none", "SSTV",
// "FAX", "RTTY" and the external program entries), its change handling, and the main tick's
// carrying out of a change request (closing and opening receive windows, starting external
// programs). The main window implements TransmissionTypeHost and drives this; the scheduler uses
// switchAndStart. GUI thread.
#pragma once

#include "core/mode_switch.h"

#include <climits>
#include <functional>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellur {
class StationConfig;

inline constexpr int kFixedTransmissionTypes = 4; // "none", "SSTV", "FAX", "RTTY"
inline constexpr std::string_view kFixedTransmissionTypeNames[kFixedTransmissionTypes] = {"none", "SSTV", "FAX", "RTTY"};

// Receive-window class index of the list entries 1..3.
enum ReceiveWindowKind : int { ReceiveNone = 0, ReceiveSstv = 1, ReceiveFax = 2, ReceiveRtty = 3 };

struct TransmissionTypeEntry {
    std::string text;
    int programRow = -1; // external program entry row, -1 for the fixed entries
};

// The four fixed entries, then the named external program rows in row order.
std::vector<TransmissionTypeEntry> buildTransmissionTypeList(const StationConfig& config);
// "&%x %s": "&0 none" … "&A name" (upper-case hexadecimal digit).
std::string modeMenuCaption(int index, std::string_view text);
// The hexadecimal digit after "&" ("0".."9", "A".."F", either case); nothing when absent.
std::optional<int> indexFromMenuCaption(std::string_view caption);
// "Running " + name, the two cut to 28 characters, + "...".
std::string runningCaption(std::string_view name);
std::string externalProgramNotFoundText(std::string_view name);

class TransmissionTypeHost {
public:
    virtual ~TransmissionTypeHost() = default;
    virtual void setModeControlsEnabled(bool on) = 0;  // the combo box and the Mode menu
    virtual void checkModeMenuItem(int index) = 0;
    virtual void setChildPanelCaption(std::string_view caption) = 0;
    virtual void closeReceiveWindow() = 0;             // no-op when none is open
    virtual void openReceiveWindow(ReceiveWindowKind kind) = 0;
    // Serves window messages until done() holds (the main tick carries the request out meanwhile).
    virtual void waitUntil(const std::function<bool()>& done) = 0;
    virtual void showMessage(std::string_view text) = 0;
};

class TransmissionTypeController {
public:
    TransmissionTypeController(StationConfig& config, ModeSwitchDevices& devices, ProcessRunner& runner,
                               TransmissionTypeHost& host, std::filesystem::path stationFolder);

    // Rebuilds the list from the configuration (after start-up, the dialog, a configuration load).
    void rebuild();
    const std::vector<TransmissionTypeEntry>& entries() const { return m_entries; }

    // The combo box's change event, also run by the Mode menu, start-up, the configuration
    // command and the close query.
    void change(int selected);
    // Main tick: carries out a pending request (only while the modal pause counter is 0; the
    // caller checks that).
    void carryOutRequest();
    // The scheduler's variant: both steps at once, no waiting.
    void switchAndStart(int selected);

    bool changeRequested() const { return m_request; }
    bool externalProgramRunning() const { return m_externalRunning; }
    int indexInForce() const { return m_inForce; }
    int requestedIndex() const { return m_requested; }
    const std::string& runningProgramName() const { return m_programName; }

private:
    void startExternalProgram();
    void stopExternalProgram();

    StationConfig& m_config;
    ModeSwitchDevices& m_devices;
    ProcessRunner& m_runner;
    TransmissionTypeHost& m_host;
    std::filesystem::path m_station;
    std::vector<TransmissionTypeEntry> m_entries;
    int m_inForce = INT_MAX; // so that the first selection always counts as a change
    int m_requested = 0;
    bool m_request = false;
    bool m_externalRunning = false;
    bool m_windowOpen = false;
    std::string m_programName;
};

} // namespace tellur
