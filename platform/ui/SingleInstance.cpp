#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

constexpr int knockTimeoutMs = 1000;

// The same folder reached by another path (a link, "..") gives the same name.
QString nameFor(const QString& exeDir)
{
    const QFileInfo folder(exeDir);
    const QString path = folder.canonicalFilePath().isEmpty() ? folder.absoluteFilePath()
                                                              : folder.canonicalFilePath();
    const QByteArray digest =
        QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("selvanto-") + QString::fromLatin1(digest.left(20));
}

// Not in the program folder itself, which may take no new files.
QString lockFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

} // namespace

SingleInstance::SingleInstance(const QString& exeDir, QObject* parent)
    : QObject(parent), m_name(nameFor(exeDir))
{
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromServer();
            Q_EMIT activationRequested();
        }
    });
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    m_lock = std::make_unique<QLockFile>(lockFolder() + QLatin1Char('/') + m_name + ".lock");
    // Never stale by age, only when the process that holds it is gone.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        // A lock that cannot even be made (no writable runtime folder) must
        // not keep the program from starting.
        if (m_lock->error() != QLockFile::LockFailedError)
            return true;
        return false;
    }
    // A socket left by a crashed copy would refuse the listen.
    QLocalServer::removeServer(m_name);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.listen(m_name);
    return true;
}

void SingleInstance::knock()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (socket.waitForConnected(knockTimeoutMs))
        socket.waitForDisconnected(knockTimeoutMs);
}
