// TFAXRXWin: the receive window of the FAX modes. Chooses the FAX mode row, requests its
// operating mode, drives the FAX station from Timer1 and shows the growing picture at the
// chosen zoom, following the newest line. The interface (soundcard or serial device) is set up
// through the station's devices and mode switch. The window adds to the station only its
// display and the station clock; saving, printing, movies, palettes and masks are the station's.
// GUI thread; the main window owns it (Qt parent) and closes it on a type change.
#pragma once

#include "ui/myform.h"
#include "fax/fax_station.h"
#include "fax/ui/fax_tools.h"
#include "signal/ui/spectrum_win.h"

#include <QImage>
#include <QPointer>

#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QScrollArea;
class QTimer;
class QToolButton;

namespace tellur::ui {

class ReceiveWindowHost;
struct StationContext;
class FaxImage;

class TFAXRXWin : public TMyform, private fax::FaxStationSink {
    Q_OBJECT
public:
    explicit TFAXRXWin(ReceiveWindowHost& host);
    ~TFAXRXWin() override;

    // Window operations by name.
    void FAX_Transmission_ModeChange(int row);
    void Timer1Timer();
    void Timer2Timer();
    void StartButtonClick();
    void StopButtonClick();
    void AutoButtonClick();
    void SpinButton1DownClick();
    void SpinButton1UpClick();
    void IOCSpinDownClick();
    void SpectrumButtonClick();
    void ToolbuttonClick();
    void zoomChange(int index);
    void SlantbuttonClick();
    bool FormCloseQuery();

    // "Dec&ode from wave file": asks for the file and plays it into the soundcard's demodulator.
    void decodeWaveFile();
    void abortPlayback();
    bool playbackRunning() const;

    void periodicHook() override {}
    void arrangeHook() override;

    fax::FaxReceiver& receiver() { return m_fax->receiver(); }
    fax::FaxStation& station() { return *m_fax; }
    int currentRow() const { return m_row; }
    float zoom() const { return m_z; }
    TFAXToolWin* tools() const { return m_tools; }
    TSpectrum* spectrum() const { return m_spectrum; }
    // The last picture file the save thread wrote.
    std::filesystem::path lastSavedFile() const { return m_fax->lastSavedFile(); }
    // "Save picture...": asks for the file and writes the picture to it.
    void saveDialog();
    QWidget* image() const;

Q_SIGNALS:
    void pictureSaved(const QString& file);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    friend class FaxImage;

    // FaxStationSink
    void stateChanged(fax::ReceptionState s) override;
    void headerTextChanged(const std::string& text) override;
    void iocChanged(int ioc) override;
    void lpmChanged(int lpm) override;
    void squelchValue(int v) override;
    void slantButtonEnabled(bool on) override;
    void shiftingAllowedChanged(bool on) override;
    void scrollToStartEdge() override;
    void rowStored(int row, int lineCountBefore) override;
    void pictureCleared() override;
    void paletteChanged() override;
    bool slantMeasuring() override { return m_slantMeasuring; }
    void saveFinished(const fax::FaxSaveResult& result, const fax::FinishedPicture& picture) override;
    void commandStarted(const fax::ExternalCommand& command, bool ok) override;

    void buildControls();
    void buildMenus();
    void fillTypeMenu();
    fax::FaxInput faxInput() const;
    void enableSaveButton();
    void pressButton(fax::FaxButton b);
    void syncButtons();
    void updateCursor();
    void copyPictureToView();
    void sizeToZoom(bool zoomChanged);
    void ScrolltimerTimer();
    void imageDoubleClick(QPoint pos);
    void imageMousePress(QPoint pos);
    void imageMouseMove(QPoint pos);
    void finishSlant(bool ok, float slant);
    void setOperatingMode(int mode);
    void watchdog();

    ReceiveWindowHost& m_host;
    StationContext& m_station;
    std::unique_ptr<TextMaskRenderer> m_text;
    std::unique_ptr<fax::PicturePrinter> m_printer;
    std::unique_ptr<fax::CommandStarter> m_commands;
    std::unique_ptr<fax::FaxStation> m_fax;

    int m_row = 0;
    int m_lastSetMode = 0x7FFFFFFF;
    int m_zoomIndex = 7;
    float m_z = 1.0f;
    bool m_fitMode = false;
    bool m_firstTick = true;
    bool m_busy = false;
    bool m_closing = false;
    bool m_closed = false;
    bool m_shifting = false;
    std::optional<int> m_scrollRequest;

    bool m_slantMeasuring = false;
    bool m_slantFirstTaken = false;
    QPoint m_slantFirst;
    QPoint m_slantEnd;

    QImage m_view; // what the screen shows: a copy of the picture's rows, Indexed8

    // Controls.
    QMenuBar* m_menuBar = nullptr;
    QMenu* m_faxMenu = nullptr;
    QMenu* m_typeMenu = nullptr;
    QMenu* m_lpmMenu = nullptr;
    QMenu* m_iocMenu = nullptr;
    QActionGroup* m_typeGroup = nullptr;
    QActionGroup* m_lpmGroup = nullptr;
    QActionGroup* m_buttonGroup = nullptr;
    QAction* m_run1 = nullptr;
    QAction* m_auto1 = nullptr;
    QAction* m_stop1 = nullptr;
    QAction* m_spectrum1 = nullptr;
    QWidget* m_childMousePalette = nullptr;
    QToolButton* m_startButton = nullptr;
    QToolButton* m_autoButton = nullptr;
    QToolButton* m_stopButton = nullptr;
    QComboBox* m_modeCombo = nullptr;
    QLabel* m_zoomLabel = nullptr;
    QComboBox* m_zoom = nullptr;
    QLabel* m_lpmDisp = nullptr;
    QLabel* m_iocDisp = nullptr;
    QToolButton* m_iocSpin = nullptr;
    QToolButton* m_spectrumButton = nullptr;
    QToolButton* m_toolbutton = nullptr;
    QToolButton* m_openButton = nullptr;
    QToolButton* m_saveButton = nullptr;
    QToolButton* m_fullViewButton = nullptr;
    QToolButton* m_fitButton = nullptr;
    QWidget* m_toolRow = nullptr;
    QScrollArea* m_scrollBox = nullptr;
    FaxImage* m_image = nullptr;
    QWidget* m_statusPanel = nullptr;
    QLabel* m_modeDisp = nullptr;
    QLabel* m_panel3 = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QTimer* m_scrolltimer = nullptr;
    QPointer<TFAXToolWin> m_tools;
    QPointer<TZoomwindow> m_zoomWin;
    QPointer<TSpectrum> m_spectrum;
    QPointer<TSlantwindow> m_slantWin;
    QList<QPointer<QWidget>> m_hiddenForFullView;
};

// Shown when a wave file is to be decoded without a receive window that plays one.
inline const QString kWaveNeedsSoundcard = "Choose \"FAX\" with the Sound Card interface to decode a wave file.";

} // namespace tellur::ui
