#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

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

bool isPrivateFolder(const QByteArray& path)
{
    struct stat info;
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

// A folder no other user can enter, where nobody else can plant a name: the
// session's runtime folder, or else one the program makes for this user in
// the temporary folder. Not the program folder itself, which may take no new
// files. Empty when there is none to be had.
QString privateFolder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime))
        return QFile::decodeName(runtime);
    const QByteArray own =
        QFile::encodeName(QDir::tempPath()) + "/selvanto-" + QByteArray::number(::getuid());
    if (::mkdir(own.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    return isPrivateFolder(own) ? QFile::decodeName(own) : QString();
}

// Whether a name in the folder is missing or this user's own.
bool ownOrMissing(const QString& path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT;
    return info.st_uid == ::getuid();
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
    // Without a folder of its own, or with a name someone else made, nothing
    // there can be trusted: this copy runs, and tells no other copy anything.
    const QString folder = privateFolder();
    if (folder.isEmpty())
        return true;
    const QString lockPath = folder + QLatin1Char('/') + m_name + QStringLiteral(".lock");
    const QString socketPath = folder + QLatin1Char('/') + m_name;
    if (!ownOrMissing(lockPath) || !ownOrMissing(socketPath))
        return true;
    m_lock = std::make_unique<QLockFile>(lockPath);
    // Never stale by age, only when the process that holds it is gone.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        // A lock that cannot even be made must not keep the program from starting.
        if (m_lock->error() != QLockFile::LockFailedError)
            return true;
        m_socketPath = socketPath;
        return false;
    }
    // A socket left by a crashed copy would refuse the listen.
    QLocalServer::removeServer(socketPath);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(socketPath)) {
        // This copy keeps the folder, so no second copy works on its files;
        // a later start's knock will go unheard.
        qWarning("selvanto: later starts cannot reach this copy: %s",
                 qPrintable(m_server.errorString()));
    }
    return true;
}

void SingleInstance::knock()
{
    if (m_socketPath.isEmpty())
        return;
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (socket.waitForConnected(knockTimeoutMs))
        socket.waitForDisconnected(knockTimeoutMs);
}
