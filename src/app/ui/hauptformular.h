// THauptformular: the main window, a narrow bar at the top of the screen. Owns start-up and
// shutdown, the main tick that carries out operating-type changes and drives the clock, the
// level meter, the close query and the exception policy. Receive windows are created here
// through a factory table and owned through Qt parenting. GUI thread.
#pragma once

#include "core/command_switches.h"
#include "core/config_file.h"
#include "core/level_meter.h"
#include "core/station_paths.h"
#include "core/transmission_type.h"
#include "app/ui/station_dialogs.h"
#include "ui/myform.h"
#include "ui/receive_window_host.h"
#include "ui/station_context.h"
#include "ui/station_devices.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QSlider;
class QTimer;
class QToolButton;
class QPushButton;
class QHBoxLayout;

namespace tellur::ui {

class TUsageWin;
class TFrequencytable;
class TStartLogoForm;
struct ConfigurationEnvironment;

class THauptformular : public QMainWindow, public ReceiveWindowHost, private TransmissionTypeHost {
    Q_OBJECT
public:
    using ReceiveWindowFactory = std::function<TMyform*(ReceiveWindowHost&)>;

    struct Options {
        QStringList args;                       // command-line switches (C, D, M, Q, U, X, S, T)
        std::shared_ptr<StationDialogs> dialogs = std::make_shared<StationDialogs>();
        bool showStartLogo = true;
        int mixerDevices = -1;                  // -1: ask the platform
        int outputDevices = -1;
        std::function<void()> terminate;        // ends the process after a fatal exception
        std::function<void()> reboot;           // asks the system to reboot
        std::filesystem::path dataFolder = programDataFolder(); // shipped help and station defaults
    };

    THauptformular(StationContext& station, Options options, QWidget* parent = nullptr);
    ~THauptformular() override;

    // Start-up steps after construction: load the configuration, apply it, select the stored type.
    void startUp();

    // Fixed Transmission_Type entries that open receive windows (1 SSTV, 2 FAX, 3 RTTY).
    void setReceiveWindowFactory(int index, ReceiveWindowFactory factory);

    // Transmission_Type change: records the selection and serves events until the main tick
    // has carried it out. With `now` set (close query, configuration command) it is carried out
    // at once.
    void selectTransmissionType(int index, bool now = false);
    int indexInForce() const { return m_types->indexInForce(); }
    TMyform* receiveWindow() const { return m_receiveWindow; }
    bool modeChangePending() const { return m_types->changeRequested(); }
    bool externalProgramRunning() const { return m_types->externalProgramRunning(); }

    // Re-applies the type in force (closes and reopens its receive window), e.g. after a rate
    // change; carried out once the caller has returned to the event loop.
    void reapplySelection() override;
    void saveConfiguration() override;
    void openConfigurationDialog();

    // Opens the frequency table, or brings it to the front.
    void FrequenzbuttonClick();
    // Tunes a transceiver as the frequency table and the scheduler ask (messages shown in boxes).
    void setFrequency(int radio, const std::string& frequency);

    // The main tick (Scheduletimer).
    void ScheduletimerTimer();
    bool FormCloseQuery();

    // Exception policy: log, then terminate (or reboot when configured).
    void handleException(const QString& message, bool inputOutput);

    // ReceiveWindowHost
    QWidget* hostWindow() override { return this; }
    StationContext& station() override { return m_station; }
    StationDialogs& dialogs() override { return *m_options.dialogs; }
    const CommandSwitches& switches() const override { return m_switches; }

    // Places receive windows put their button panels into, and the shared audio controls.
    QHBoxLayout* toolArea() const override { return m_toolAreaLayout; }
    QSlider* volumeSlider() const { return m_volumeregler; }
    void setWavePlaybackVisible(bool on) override;
    void setTransmitAudioVisible(bool on);

    // The station's devices behind the operating-mode switch; receive windows request their
    // modes here. Rebuilt by applying the configuration.
    StationDevices& devices() override;

    bool closeStarted() const { return m_closeStarted; }
    // The desktop session or a termination signal ends the program: it closes as on a user's
    // close (everything saved) but without the quit question nobody is there to answer.
    void endSession();
    QString configurationText() const;
    QString helpFile() const { return m_helpFile; }
    // Opens the help of the chosen language in the browser at the page of the help context
    // (99999 the contents, 999999 the first steps).
    void openHelpContext(int context);
    std::optional<double> quitTime() const { return m_quitTime; }

Q_SIGNALS:
    void decodeWaveFileRequested();
    void abortPlaybackRequested();
    void openPictureRequested(const QString& file);
    void openMessageViewerRequested();

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    // Device lists, palettes and the file operations the configuration dialog needs.
    ConfigurationEnvironment configurationEnvironment();
    void buildControls();
    void buildMenus();
    void applyConfiguration();
    void rebuildTransmissionTypeList();
    // TransmissionTypeHost
    void setModeControlsEnabled(bool on) override;
    void checkModeMenuItem(int index) override;
    void setChildPanelCaption(std::string_view caption) override;
    void closeReceiveWindow() override;
    void openReceiveWindow(ReceiveWindowKind kind) override;
    void waitUntil(const std::function<bool()>& done) override;
    void showMessage(std::string_view text) override;
    void chooseHelpFile();
    void updateLevelMeter();
    void updateClock();
    void showInterfaceStatus();
    bool closeMustWait() const;
    int mixerDeviceCount() const;
    bool loadConfiguration(const std::string& name);
    void showUsageInfo();
    void runMixerProgram(bool record);
    void loadConfigurationDialog();
    void saveConfigurationAsDialog();
    void arrangeWindows();

    StationContext& m_station;
    Options m_options;
    ConfigFileStore m_store;
    CommandSwitches m_switches;
    std::array<ReceiveWindowFactory, 4> m_factories{};

    // Run state.
    bool m_startUp = true;
    bool m_closeStarted = false;
    bool m_sessionEnding = false;
    int m_tickCounter = 0;
    std::optional<double> m_quitTime;
    QPointer<TMyform> m_receiveWindow;
    QPointer<TUsageWin> m_usageWin;
    QPointer<TFrequencytable> m_frequencyTable;
    QString m_helpFile;
    LevelMeter m_levelMeter;
    std::unique_ptr<StationDevices> m_devices;
    std::unique_ptr<TransmissionTypeController> m_types;
    QPoint m_storedPos;

    // Controls.
    QComboBox* m_transmissionType = nullptr;
    QToolButton* m_schedulebutton = nullptr;
    QToolButton* m_frequenzbutton = nullptr;
    QFrame* m_audiopanel = nullptr;
    QProgressBar* m_gauge1 = nullptr;
    QSlider* m_volumeregler = nullptr;
    QToolButton* m_rxSoundbutton = nullptr;
    QToolButton* m_txSoundbutton = nullptr;
    QFrame* m_txAudiopanel = nullptr;
    QSlider* m_txVolumeregler = nullptr;
    QToolButton* m_txSoundbutton1 = nullptr;
    QFrame* m_wavePlaybackPanel = nullptr;
    QPushButton* m_abortplaybackbutton = nullptr;
    QWidget* m_toolArea = nullptr;
    QHBoxLayout* m_toolAreaLayout = nullptr;
    QFrame* m_timepanel = nullptr;
    QLabel* m_zeitlabel = nullptr;
    QLabel* m_utcCharlabel = nullptr;
    QLabel* m_nextdatelabel = nullptr;
    QLabel* m_nextDatemode = nullptr;
    QLabel* m_ptcErrorPanel = nullptr;
    QLabel* m_childPanel = nullptr;
    QLabel* m_configText = nullptr;
    QTimer* m_scheduletimer = nullptr;
    QMenu* m_modeMenu = nullptr;
    QActionGroup* m_modeGroup = nullptr;
    QAction* m_usageAction = nullptr;
};

} // namespace tellur::ui
