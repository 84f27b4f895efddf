// TRTTYRXWin: the receive window of the text modes (RTTY and NAVTEX). Chooses the RTTY mode row,
// requests its operating mode, programs the soundcard demodulator or the PTC-II, drives the text
// station from Timer1 and shows the text pane; saves and prints the received text and opens the
// message viewer and the spectrum window. The text station owns decoding, framing, the message
// store and the capture file.
// GUI thread; the main window owns it (Qt parent) and closes it on a type change.
#pragma once

#include "signal/ui/spectrum_win.h"
#include "text/text_station.h"
#include "text/ui/rtty_text.h"
#include "ui/myform.h"

#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPrinter;
class QSpinBox;
class QTimer;
class QToolButton;

namespace tellur::ui {

class ReceiveWindowHost;
struct StationContext;

// Writes copied text lines to a file on its own thread (the save dialog has run already); the
// done callback runs on the GUI thread.
class Tsavedialogthread {
public:
    Tsavedialogthread(QString file, QStringList lines, QObject* context, std::function<void(bool)> done);
    ~Tsavedialogthread();
    bool finished() const { return m_finished; }

private:
    std::atomic<bool> m_finished{false};
    std::jthread m_thread;
};

// Prints a heading and text lines as one document; true when the printer accepted it.
bool printTextDocument(QPrinter& printer, const QString& jobTitle, const QString& heading, const QStringList& lines);

class TRTTYRXWin : public TMyform, private text::TextStationListener {
    Q_OBJECT
public:
    static constexpr int kWatchdogTicks = 60;
    static constexpr int kStatusRequestTicks = 41;

    explicit TRTTYRXWin(ReceiveWindowHost& host);
    ~TRTTYRXWin() override;

    // Window operations by name.
    void RTTY_Transmission_ModeChange(int row);
    void applyMode(std::uint8_t type, const std::string& ptcType, int centerHz, bool reverse, bool afc, int shiftHz,
                   int baud);
    void Timer1Timer();
    void Timer2Timer();
    void RevButtonClick();
    void AFCButtonClick();
    void BaudSpin(bool up);
    void ShiftSpin(bool up);
    void SpectrumButtonClick();
    void OpenButtonClick();
    void SaveButtonClick();
    void PrintClick();
    void ClearClick();
    bool FormCloseQuery();

    // "Dec&ode from wave file": plays a recording into the soundcard's demodulator.
    void decodeWaveFile();
    void abortPlayback();

    // Print dialog: fills in the printer and answers whether to print. Tests print to PDF.
    void setPrintDialog(std::function<bool(QPrinter&)> dialog) { m_printDialog = std::move(dialog); }
    bool saveOrPrintRunning() const { return m_saveThread != nullptr || m_printing; }
    void waitForSave();

    text::TextStation& textStation() { return *m_text; }
    int currentRow() const { return m_row; }
    TRTTYText* viewer() const { return m_viewer; }
    TSpectrum* spectrum() const { return m_spectrum; }
    QPlainTextEdit* pane() const { return m_rxWindow; }

Q_SIGNALS:
    void textSaved(const QString& file);
    void messageStored(const QString& id);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void messageFramed(const text::FramedMessage& message, int quality, bool stored) override;

    void buildControls();
    void buildMenus();
    void showText(const std::string& shown);
    void refreshStatus();
    void setOperatingMode(int mode);
    void applyFromControls();
    bool ptcCommands(const std::vector<std::string>& commands);
    void endScrollBack();
    bool atBottom() const;
    QStringList selectedOrAllLines() const;
    QString templateName() const;
    void watchdog();
    bool ptc() const;

    ReceiveWindowHost& m_host;
    StationContext& m_station;
    std::unique_ptr<text::TextStation> m_text;
    text::ScrollBack m_scrollBack;
    int m_scrollTicks = 0;
    int m_row = 0;
    int m_statusTicks = 0;
    bool m_busy = false;
    bool m_closing = false;
    bool m_closed = false;
    double m_templateTime = 0;
    bool m_mouseDragging = false;
    std::unique_ptr<Tsavedialogthread> m_saveThread;
    bool m_printing = false;
    std::function<bool(QPrinter&)> m_printDialog;

    QMenuBar* m_menuBar = nullptr;
    QMenu* m_typeMenu = nullptr;
    QActionGroup* m_typeGroup = nullptr;
    QAction* m_spectrum1 = nullptr;
    QWidget* m_toolBar = nullptr;
    QComboBox* m_modeCombo = nullptr;
    QToolButton* m_spectrumButton = nullptr;
    QToolButton* m_openButton = nullptr;
    QToolButton* m_saveButton = nullptr;
    QToolButton* m_folderButton = nullptr;
    QToolButton* m_revButton = nullptr;
    QToolButton* m_afcButton = nullptr;
    QLabel* m_afcLabel = nullptr;
    QSpinBox* m_centerEdit = nullptr;
    QLineEdit* m_baudEdit = nullptr;
    QLineEdit* m_shiftEdit = nullptr;
    QList<QToolButton*> m_spins;
    QPlainTextEdit* m_rxWindow = nullptr;
    QLabel* m_modeDisp = nullptr;
    QLabel* m_panel3 = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QPointer<TSpectrum> m_spectrum;
    QPointer<TRTTYText> m_viewer;
};

} // namespace tellur::ui
