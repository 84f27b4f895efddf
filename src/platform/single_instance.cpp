#include "platform/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace tellur::platform {

SingleInstance::SingleInstance(const QString& key, const QString& lockDir, QObject* parent)
    : QObject(parent)
    , m_key(key)
{
    const QByteArray id = QCryptographicHash::hash((key + QDir(lockDir).absolutePath()).toUtf8(),
                                                   QCryptographicHash::Sha1).toHex().left(16);
    m_serverName = "tellur32-" + QString::fromLatin1(id);
    QDir().mkpath(lockDir);
    m_lock = std::make_unique<QLockFile>(QDir(lockDir).filePath(kStationLockFile));
    m_lock->setStaleLockTime(0); // only a dead owner makes it stale
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire()
{
    if (m_lock->tryLock(0)) {
        QLocalServer::removeServer(m_serverName); // a crashed predecessor may have left it
        m_server = new QLocalServer(this);
        connect(m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* s = m_server->nextPendingConnection()) {
                s->deleteLater();
                Q_EMIT raiseRequested();
            }
        });
        m_server->listen(m_serverName);
        return true;
    }
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (socket.waitForConnected(1000)) {
        socket.write("raise");
        socket.waitForBytesWritten(500);
        socket.disconnectFromServer();
    }
    return false;
}

} // namespace tellur::platform
