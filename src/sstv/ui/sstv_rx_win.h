// TSSTVRXWin: the receive window of SSTV (operating mode 5). Timer1 drives the SSTV station
// (receiver, "Last Received", the command after picture RX); the window paints the growing
// picture, shows the mode, the missing-sync gauge and the resolution, and carries the transmit
// mode list and menu, the QRM controls and the catalog, spectrum, scope and tool windows.
// GUI thread; the main window owns it (Qt parent) and closes it on a type change.
#pragma once

#include "ui/myform.h"
#include "platform/qt_text_mask.h"
#include "sstv/sstv_station.h"
#include "sstv/ui/catalog_win.h"
#include "signal/ui/spectrum_win.h"

#include <QImage>
#include <QPointer>

#include <memory>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QTimer;
class QToolButton;

namespace tellur::ui {

class ReceiveWindowHost;
struct StationContext;
class SstvImage;

// The SSTV tool window's switches that reception reads.
class TSSTVToolWin : public TMyform {
    Q_OBJECT
public:
    explicit TSSTVToolWin(StationContext& station, QWidget* parent = nullptr);
    QToolButton* timestampButton() const { return m_timestamp; }
    QToolButton* autoClipButton() const { return m_autoClip; }

Q_SIGNALS:
    void settingsChanged();

private:
    QToolButton* m_timestamp;
    QToolButton* m_autoClip;
};

class TSSTVRXWin : public TMyform, private sstv::SstvStationSink {
    Q_OBJECT
public:
    explicit TSSTVRXWin(ReceiveWindowHost& host);
    ~TSSTVRXWin() override;

    // Window operations by name.
    void SSTV_Transmission_ModeChange(int index);
    void Timer1Timer();
    void QRMButtonClick();
    void StartButtonClick();
    void ResetButtonClick();
    void ShiftrightbuttonClick();
    void ShiftleftbuttonClick();
    void ClicktosetsynclinesClick();
    void ClicktosetsynclinesDblClick();
    void SpectrumButtonClick();
    void ScopebuttonClick();
    void CatalogButtonClick();
    void ToolbuttonClick();
    void clearWindow();
    void addToLastReceived();
    void copyRxPicture();
    bool FormCloseQuery();

    // "Dec&ode from wave file": asks for the file and plays it into the soundcard's demodulator.
    void decodeWaveFile();
    void abortPlayback();
    bool playbackRunning() const;

    void arrangeHook() override;

    sstv::SstvStation& sstvStation() { return *m_sstv; }
    TCatalog* catalogWindow() const { return m_catalog; }
    TSpectrum* spectrum() const { return m_spectrum; }
    TScope* scope() const { return m_scope; }
    TSSTVToolWin* tools() const { return m_tools; }
    QWidget* image() const;
    const QImage& view() const { return m_view; }

Q_SIGNALS:
    void pictureStoredAs(const QString& file);

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    friend class SstvImage;

    // SstvStationSink
    void modeDisplayChanged(std::int32_t mode) override;
    void syncFrequency(int value) override;
    void rowsChanged(int first, int end) override;
    void failbarChanged(int value, int maximum, bool red) override;
    void pictureStarted(int row) override;
    void pictureEnded(bool saved, int row, int rows) override;
    bool catalogBusy() override { return false; }
    void pictureStored(const std::filesystem::path& file, int row, int rows) override;
    void runCommand(const fax::ExternalCommand& command) override;

    void buildControls();
    void buildMenus();
    void setOperatingMode(int mode);
    void watchdog();
    void copyRowsToView(int first, int end);
    void setShiftButtonsVisible(bool on);
    void updateResolution();
    sstv::CivilTime stationClock() const;
    sstv::SstvStationSettings stationSettings() const;

    ReceiveWindowHost& m_host;
    StationContext& m_station;
    platform::QtTextMaskRenderer m_text;
    std::unique_ptr<sstv::SstvStation> m_sstv;
    int m_txMode = sstv::kMartin1Row;
    int m_lastSetMode = 0x7FFFFFFF;
    bool m_busy = false;
    bool m_closing = false;
    bool m_closed = false;
    QImage m_view; // the received picture as the screen shows it

    QMenuBar* m_menuBar = nullptr;
    QMenu* m_txModeMenu = nullptr;
    QActionGroup* m_txModeGroup = nullptr;
    QMenu* m_popup = nullptr;
    QComboBox* m_txModeCombo = nullptr;
    QToolButton* m_qrmButton = nullptr;
    QToolButton* m_startButton = nullptr;
    QToolButton* m_resetButton = nullptr;
    QToolButton* m_shiftRight = nullptr;
    QToolButton* m_shiftLeft = nullptr;
    QToolButton* m_autoRxToTx = nullptr;
    QToolButton* m_spectrumButton = nullptr;
    QToolButton* m_scopeButton = nullptr;
    QToolButton* m_catalogButton = nullptr;
    QToolButton* m_toolButton = nullptr;
    QProgressBar* m_failbar = nullptr;
    QLabel* m_syncLines = nullptr;
    QLabel* m_modeDisp = nullptr;
    QLabel* m_resolutionDisp = nullptr;
    SstvImage* m_image = nullptr;
    QTimer* m_timer1 = nullptr;
    QPointer<TCatalog> m_catalog;
    QPointer<TSpectrum> m_spectrum;
    QPointer<TScope> m_scope;
    QPointer<TSSTVToolWin> m_tools;
};


} // namespace tellur::ui
