#include "FileModes.h"

#include "Failure.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace fileModes {

void copyMode(const QString& from, const QString& to)
{
    struct stat original
    {};
    if (::stat(QFile::encodeName(from).constData(), &original) != 0 ||
        ::chmod(QFile::encodeName(to).constData(), original.st_mode & 07777) != 0) {
        throw Failure(QStringLiteral("無法設定「%1」的權限：%2").arg(to, qt_error_string(errno)));
    }
}

bool isForeignLink(const QString& path)
{
    struct stat link
    {};
    return ::lstat(QFile::encodeName(path).constData(), &link) == 0 && S_ISLNK(link.st_mode) &&
           link.st_uid != ::geteuid();
}

} // namespace fileModes
