#include "ExportTarget.h"

#include "AccessBook.h"
#include "Failure.h"

#include <QFile>

#include <sys/stat.h>

namespace exporttarget {
namespace {

bool sameFile(const QString& one, const QString& other)
{
    struct stat first
    {};
    struct stat second
    {};
    return ::stat(QFile::encodeName(one).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(other).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool isSqliteFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3", 16);
}

} // namespace

void refuseDatabase(const QString& book, const QString& target)
{
    if (sameFile(book, target))
        throw Failure(QStringLiteral("「%1」就是通訊錄本身，不能匯出到它上面。").arg(target));
    if (isSqliteFile(target) || accessbook::isAccessFile(target)) {
        throw Failure(
            QStringLiteral("「%1」是資料庫檔（可能是另一本通訊錄），匯出不會覆寫它。").arg(target));
    }
}

} // namespace exporttarget
