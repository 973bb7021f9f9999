#include "AccessConversion.h"

#include "AccessBook.h"
#include "AccessReader.h"
#include "ContactBookTool.h"
#include "ContactImport.h"
#include "ContactStore.h"
#include "Dialogs.h"
#include "Failure.h"
#include "FileModes.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace accessconversion {
namespace {

// Writes everything the file holds through to the disk.
void flush(QFile& file)
{
    if (!file.flush() || file.handle() < 0 || ::fsync(file.handle()) != 0) {
        throw Failure(
            QStringLiteral("無法寫入「%1」：%2").arg(file.fileName(), file.errorString()));
    }
}

void flushFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        throw Failure(QStringLiteral("無法寫入「%1」：%2").arg(path, file.errorString()));
    flush(file);
}

// Copies the file byte for byte to a new file that must not exist yet; a
// partial copy is removed.
void keepCopy(const QString& from, const QString& to)
{
    QFile source(from);
    QFile copy(to);
    if (!source.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("無法讀取「%1」：%2").arg(from, source.errorString()));
    if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw Failure(QStringLiteral("無法建立「%1」：%2").arg(to, copy.errorString()));
    try {
        while (!source.atEnd()) {
            const QByteArray chunk = source.read(1 << 16);
            if (chunk.isEmpty() && source.error() != QFile::NoError)
                throw Failure(QStringLiteral("無法讀取「%1」：%2").arg(from, source.errorString()));
            if (copy.write(chunk) != chunk.size())
                throw Failure(QStringLiteral("無法寫入「%1」：%2").arg(to, copy.errorString()));
        }
        flush(copy);
        if (copy.size() != source.size())
            throw Failure(QStringLiteral("無法寫入「%1」：檔案不完整。").arg(to));
    } catch (...) {
        copy.close();
        QFile::remove(to);
        throw;
    }
}

bool sameBytes(const QString& one, const QString& other)
{
    QFile first(one);
    QFile second(other);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) ||
        first.size() != second.size())
        return false;
    while (!first.atEnd()) {
        const QByteArray chunk = first.read(1 << 16);
        if (chunk.isEmpty() || chunk != second.read(chunk.size()))
            return false;
    }
    return true;
}

QString failedText(const QString& name, const QString& cause)
{
    return QStringLiteral("通訊錄 %1 無法轉換成新格式，檔案保持原樣。原因：%2").arg(name, cause);
}

} // namespace

int convert(const QString& path, const QString& reader)
{
    const ContactRecords records = accessreader::read(reader, path);
    const QString kept = path + QStringLiteral(".access");
    // A copy left by a conversion that failed after keeping it is the same
    // file: it is kept as it is.
    const bool keptAlready = QFileInfo::exists(kept) && sameBytes(path, kept);
    if (QFileInfo::exists(kept) && !keptAlready) {
        throw Failure(
            QStringLiteral("「%1」已經存在，原檔無法保留在那裡。請把它移到別的資料夾後再試一次。")
                .arg(kept));
    }
    const QString converted = path + QStringLiteral(".converting");
    QFile::remove(converted);
    bool keptOriginal = false;
    try {
        createContactBook(converted);
        {
            ContactStore store(converted);
            importContacts(store, records, ImportRules::CopyAsIs);
        }
        flushFile(converted);
        if (!keptAlready) {
            keepCopy(path, kept);
            keptOriginal = true;
        }
        // Both readable by no more people than the book they come from.
        fileModes::copyMode(path, kept);
        fileModes::copyMode(path, converted);
        if (std::rename(QFile::encodeName(converted).constData(),
                        QFile::encodeName(path).constData()) != 0) {
            throw Failure(
                QStringLiteral("無法以新檔取代「%1」：%2").arg(path, qt_error_string(errno)));
        }
    } catch (...) {
        QFile::remove(converted);
        if (keptOriginal)
            QFile::remove(kept);
        throw;
    }
    return int(records.size());
}

void offer(const QString& path, Dialogs& dialogs, const QString& reader)
{
    if (!accessbook::isAccessFile(path))
        return;
    const QString name = QFileInfo(path).fileName();
    const QString question =
        QStringLiteral("通訊錄 %1 是舊版 Access 格式，要轉換成新格式嗎？原檔會保留為 %1.access")
            .arg(name);
    if (!dialogs.askYesNo(question)) {
        throw Failure(QStringLiteral("通訊錄 %1 是舊版 Access 格式，沒有轉換，所以無法開啟；"
                                     "檔案保持原樣。要使用它，請重新啟動程式並選擇「是」轉換。")
                          .arg(name));
    }
    int count = 0;
    try {
        count = convert(path, reader);
    } catch (const accessreader::Unreadable& failure) {
        throw accessreader::Unreadable(failedText(name, failure.text()));
    } catch (const Failure& failure) {
        throw Failure(failedText(name, failure.text()));
    }
    dialogs.showMessage(QStringLiteral("已將 %1 筆聯絡人轉換成新格式，原檔保留為 %2.access。")
                            .arg(count)
                            .arg(name));
}

} // namespace accessconversion
