// What a receive window needs of the window that hosts it: the station, its devices, the shared
// questions, the start-up switches, the panel area and the few main-window actions a receive
// window triggers. The main window implements it; receive windows know nothing else of it.
// GUI thread.
#pragma once

class QHBoxLayout;
class QWidget;

namespace tellur {
class CommandSwitches;
}

namespace tellur::ui {

class Dialogs;
class StationDevices;
struct StationContext;

class ReceiveWindowHost {
public:
    virtual ~ReceiveWindowHost() = default;

    // The hosting window: parent of dialogs and tool windows, and the reference for placement.
    virtual QWidget* hostWindow() = 0;
    virtual StationContext& station() = 0;
    virtual StationDevices& devices() = 0;
    virtual Dialogs& dialogs() = 0;
    virtual const CommandSwitches& switches() const = 0;
    // Where receive windows put their button panels.
    virtual QHBoxLayout* toolArea() const = 0;
    virtual void setWavePlaybackVisible(bool on) = 0;
    virtual void saveConfiguration() = 0;
    // Closes and reopens the receive window in force once the caller has returned to the event loop.
    virtual void reapplySelection() = 0;
};

} // namespace tellur::ui
