// TMyform: the base of the station's tool and receive windows. The main window calls the periodic
// hook on every main tick and the arrange hook from "Arrange Windows"; both do nothing here.
// Alt+F4 is swallowed by the windows that ask for it. GUI thread; Qt parent owns it.
#pragma once

#include <QWidget>

namespace tellur::ui {

class TMyform : public QWidget {
    Q_OBJECT
public:
    explicit TMyform(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Tool);

    virtual void periodicHook() {}
    virtual void arrangeHook() {}

    void setSwallowAltF4(bool on) { m_swallowAltF4 = on; }

protected:
    // A close that comes from the window manager (Alt+F4, the title bar) is refused when asked;
    // the program still closes the window itself.
    void closeEvent(QCloseEvent* e) override;

private:
    bool m_swallowAltF4 = false;
};

// A stored window position, pulled back onto the primary screen when a smaller screen would
// leave the window out of reach.
QPoint keptOnScreen(QPoint pos);

} // namespace tellur::ui
