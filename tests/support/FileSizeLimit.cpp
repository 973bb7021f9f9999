#include "FileSizeLimit.h"

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <stdexcept>

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    // A write past the limit then fails with EFBIG instead of ending the
    // process with SIGXFSZ.
    std::signal(SIGXFSZ, SIG_IGN);
    if (getrlimit(RLIMIT_FSIZE, &m_previous) != 0)
        throw std::runtime_error("getrlimit failed");
    rlimit limit = m_previous;
    limit.rlim_cur = rlim_t(bytes);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        throw std::runtime_error("setrlimit failed");
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &m_previous);
}

bool folderPermissionsStopWrites()
{
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QFile probe(dir.filePath(QStringLiteral("probe")));
    const bool refused = !probe.open(QIODevice::WriteOnly);
    probe.close();
    probe.remove();
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return refused;
}
