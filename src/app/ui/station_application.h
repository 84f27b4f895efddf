// The application object: routes every exception that reaches the event loop to the main
// window's exception policy instead of letting it tear the process down unlogged. GUI thread.
#pragma once

#include <QApplication>

#include <functional>

namespace tellur::ui {

class StationApplication : public QApplication {
public:
    using QApplication::QApplication;
    // message, input/output kind
    void setExceptionHandler(std::function<void(const QString&, bool)> handler) { m_handler = std::move(handler); }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    std::function<void(const QString&, bool)> m_handler;
};

} // namespace tellur::ui
