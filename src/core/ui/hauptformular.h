// THauptformular: the main window, a narrow bar at the top of the screen. Owns start-up,
// shutdown and the main tick. GUI thread.
#pragma once

#include <QMainWindow>

namespace tellur::ui {

class THauptformular : public QMainWindow {
    Q_OBJECT
public:
    explicit THauptformular(QWidget* parent = nullptr);
};

} // namespace tellur::ui
