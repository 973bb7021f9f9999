#include "ContactFiles.h"

#include "AccessBook.h"
#include "ContactFields.h"
#include "ContactStore.h"
#include "CsvContacts.h"
#include "Failure.h"
#include "SqliteStatement.h"
#include "VCardContacts.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace contactfiles {
namespace {

// Far beyond any address book; refuses a wrong file before reading it all.
constexpr qint64 largestFile = 256LL << 20;

const QByteArray sqliteHeader("SQLite format 3\0", 16);

QByteArray readWhole(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        throw Failure(QStringLiteral("找不到檔案「%1」。").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("無法讀取「%1」：%2").arg(path, file.errorString()));
    if (file.size() > largestFile) {
        throw Failure(QStringLiteral("「%1」太大 (%2 MB)，不像聯絡人檔案。")
                          .arg(path)
                          .arg(file.size() >> 20));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError)
        throw Failure(QStringLiteral("無法讀取「%1」：%2").arg(path, file.errorString()));
    if (bytes.trimmed().isEmpty())
        throw Failure(QStringLiteral("「%1」是空的，沒有聯絡人。").arg(path));
    return bytes;
}

bool isContactBook(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(sqliteHeader.size()) == sqliteHeader;
}

} // namespace

std::optional<Format> formatOf(const QString& nameOrExtension)
{
    const QString extension = nameOrExtension.contains(QLatin1Char('.'))
                                  ? QFileInfo(nameOrExtension).suffix().toLower()
                                  : nameOrExtension.toLower();
    if (extension == QLatin1String("mdb") || extension == QLatin1String("accdb") ||
        extension == QLatin1String("access"))
        return Format::Access;
    if (extension == QLatin1String("vcf") || extension == QLatin1String("vcard"))
        return Format::VCard;
    if (extension == QLatin1String("csv"))
        return Format::Csv;
    return std::nullopt;
}

QString importFilter()
{
    return QStringLiteral("聯絡人檔案 (*.vcf *.vcard *.csv *.mdb *.accdb);;vCard (*.vcf *.vcard);;"
                          "CSV (*.csv);;Access (*.mdb *.accdb)");
}

QString exportFilter()
{
    return QStringLiteral("vCard (*.vcf);;CSV (*.csv)");
}

ContactRecords read(const QString& path, Format format)
{
    switch (format) {
    case Format::Access:
        if (!QFileInfo::exists(path))
            throw Failure(QStringLiteral("找不到檔案「%1」。").arg(path));
        if (isContactBook(path)) {
            ContactStore store(path);
            return readBook(store);
        }
        return accessbook::read(path);
    case Format::VCard:
        return vcardcontacts::read(readWhole(path));
    case Format::Csv:
        return csvcontacts::read(readWhole(path));
    }
    return {};
}

void write(const QString& path, Format format, const ContactRecords& records)
{
    if (format == Format::Access)
        throw Failure(QStringLiteral("無法匯出成 Access 格式；請用 .vcf 或 .csv。"));
    const QByteArray bytes = format == Format::VCard
                                 ? vcardcontacts::write(records, QDate::currentDate().year())
                                 : csvcontacts::write(records);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Failure(QStringLiteral("無法寫入「%1」：%2").arg(path, file.errorString()));
}

ContactRecords readBook(ContactStore& store)
{
    ContactRecords records;
    SqliteStatement rows(store.handle(),
                         QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                             .arg(contactfields::fieldList(), contactfields::table));
    int row = 0;
    while (rows.next()) {
        ContactRecord record;
        record.where = QStringLiteral("第 %1 列").arg(++row);
        for (int column = 0; column < contactfields::count; ++column) {
            if (!rows.isNull(column))
                record.fields[column] = QString::fromUtf8(rows.text(column));
        }
        records.append(record);
    }
    return records;
}

} // namespace contactfiles
