// SIGTERM, SIGINT and SIGHUP (logout, shutdown, kill, Ctrl+C in the starting terminal) arrive as
// a Qt signal on the GUI thread, so the station closes like a user's close: the configuration is
// saved and the windows end their work. One instance per program.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace tellur::platform {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void requested(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tellur::platform
