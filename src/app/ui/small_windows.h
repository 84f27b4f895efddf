// The main window's small companions: the start logo, the usage window and the first-time
// configuration window. GUI thread; Qt parents own them.
#pragma once

#include "ui/myform.h"

#include <QDialog>

#include <functional>

class QLabel;
class QTimer;
class QButtonGroup;

namespace tellur::ui {

struct StationContext;

// Shown while the station starts; closes itself 2.5 s after start-up has finished.
class TStartLogoForm : public TMyform {
    Q_OBJECT
public:
    explicit TStartLogoForm(QWidget* parent = nullptr);
    void startCloseTimer();

private:
    QTimer* m_timer = nullptr;
};

// The process's memory figures, refreshed every second.
class TUsageWin : public TMyform {
    Q_OBJECT
public:
    TUsageWin(StationContext& station, QWidget* parent = nullptr);
    void refresh();

Q_SIGNALS:
    void closed();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    StationContext& m_station;
    std::vector<QLabel*> m_values;
    QTimer* m_timer = nullptr;
};

// First start: which language the help files should be in.
class TFirsttimeWin : public QDialog {
    Q_OBJECT
public:
    explicit TFirsttimeWin(int language, QWidget* parent = nullptr);
    int language() const;

private:
    QButtonGroup* m_group = nullptr;
};

} // namespace tellur::ui
