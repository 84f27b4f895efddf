// The FAX side's small windows: FAX-Tools (reception switches, APT squelch, slant correction,
// clearing the picture), the Zoom chooser shown in fit-to-screen mode, and the slant correction
// window. GUI thread; the FAX-RX window creates them (the slant window is owned by the main
// window because it outlives a receive window that restarts with a new rate).
#pragma once

#include "ui/myform.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QToolButton;
class QPlainTextEdit;

namespace tellur::ui {

struct StationContext;

class TFAXToolWin : public TMyform {
    Q_OBJECT
public:
    explicit TFAXToolWin(StationContext& station, QWidget* parent = nullptr);

    QToolButton* timestampButton() const { return m_timestamp; }
    QToolButton* autolpmButton() const { return m_autolpm; }
    QToolButton* autoprintButton() const { return m_autoprint; }
    QToolButton* autosaveButton() const { return m_autosave; }
    QToolButton* slantbutton() const { return m_slant; }
    QSlider* squelchthreshold() const { return m_squelchthreshold; }
    void setSquelchVisible(bool on);
    void setSquelchValue(int v);
    void FormCloseQuery();

Q_SIGNALS:
    void settingsChanged();
    void slantRequested();
    void clearRequested();

private:
    StationContext& m_station;
    QToolButton* m_timestamp = nullptr;
    QToolButton* m_autolpm = nullptr;
    QToolButton* m_autoprint = nullptr;
    QToolButton* m_autosave = nullptr;
    QToolButton* m_slant = nullptr;
    QToolButton* m_clear = nullptr;
    QSlider* m_squelchthreshold = nullptr;
    QLabel* m_squelchLabel = nullptr;
    QProgressBar* m_squelchval = nullptr;
    QPoint m_createdAt;
};

// Offered while the receive window fits its picture to the screen.
class TZoomwindow : public TMyform {
    Q_OBJECT
public:
    explicit TZoomwindow(QWidget* parent = nullptr);
    // The receive window's zoom list index for an entry of this window's shorter list.
    static int receiveZoomIndex(int subZoomIndex);

Q_SIGNALS:
    void zoomChosen(int receiveZoomIndex);

private:
    QComboBox* m_subZoom = nullptr;
};

class TSlantwindow : public QDialog {
    Q_OBJECT
public:
    TSlantwindow(bool german, QWidget* parent = nullptr);
    void setSlant(float s);
    float slant() const { return m_slant; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* abortButton() const { return m_abort; }

Q_SIGNALS:
    void okClicked(float slant);
    void abortClicked();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    float m_slant = 0.0f;
    QPushButton* m_ok = nullptr;
    QPushButton* m_abort = nullptr;
};

} // namespace tellur::ui
