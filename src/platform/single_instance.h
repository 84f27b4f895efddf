// One running station per user and station folder: the first start holds a lock file and listens
// on a local socket; a second start finds the lock, asks the first to come to the front and ends.
// GUI thread.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLockFile;
class QLocalServer;

namespace tellur::platform {

// The lock file a running station holds in its station folder.
inline constexpr const char* kStationLockFile = "tellur32.lock";

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // key names the instance ("PREVINST:" + the window title); lockDir holds the lock file.
    SingleInstance(const QString& key, const QString& lockDir, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first; otherwise the running one has been asked to raise.
    bool acquire();

Q_SIGNALS:
    void raiseRequested();

private:
    QString m_key;
    QString m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

} // namespace tellur::platform
