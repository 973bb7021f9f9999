#include "ContactFiles.h"

#include "AccessBook.h"
#include "AccessReader.h"
#include "ContactFields.h"
#include "ContactStore.h"
#include "CsvContacts.h"
#include "Failure.h"
#include "RecordListReader.h"
#include "SqliteStatement.h"
#include "VCardContacts.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace contactfiles {
namespace {

const QByteArray sqliteHeader("SQLite format 3\0", 16);

bool isContactBook(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(sqliteHeader.size()) == sqliteHeader;
}

// The file and the reader reading it.
class FileReader : public ContactReader
{
public:
    FileReader(const QString& path, Format format, std::optional<textencoding::Encoding> encoding)
        : m_file(path)
    {
        if (!m_file.exists())
            throw Failure(QStringLiteral("找不到檔案「%1」。").arg(path));
        if (!m_file.open(QIODevice::ReadOnly))
            throw Failure(QStringLiteral("無法讀取「%1」：%2").arg(path, m_file.errorString()));
        if (format == Format::VCard)
            m_reader = std::make_unique<vcardcontacts::Reader>(m_file, encoding);
        else
            m_reader = std::make_unique<csvcontacts::Reader>(m_file, encoding);
    }

    std::optional<ContactRecord> next() override
    {
        std::optional<ContactRecord> record = m_reader->next();
        if (m_file.error() != QFile::NoError)
            throw Failure(
                QStringLiteral("無法讀取「%1」：%2").arg(m_file.fileName(), m_file.errorString()));
        return record;
    }
    qint64 position() const override { return m_reader->position(); }
    qint64 size() const override { return m_reader->size(); }
    QString description() const override { return m_reader->description(); }

private:
    QFile m_file;
    std::unique_ptr<ContactReader> m_reader;
};

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

std::unique_ptr<ContactReader> open(const QString& path, Format format,
                                    std::optional<textencoding::Encoding> encoding,
                                    const QString& accessReader)
{
    if (format != Format::Access)
        return std::make_unique<FileReader>(path, format, encoding);
    if (!QFileInfo::exists(path))
        throw Failure(QStringLiteral("找不到檔案「%1」。").arg(path));
    if (isContactBook(path)) {
        ContactStore store(path);
        return std::make_unique<RecordListReader>(readBook(store), QStringLiteral("Access"));
    }
    // An Access book is read whole: libmdb reads it page by page anyway, and
    // such books hold a few thousand rows.
    return std::make_unique<RecordListReader>(
        accessReader.isEmpty() ? accessbook::read(path) : accessreader::read(accessReader, path),
        QStringLiteral("Access"));
}

QStringList firstNames(const QString& path, Format format, textencoding::Encoding encoding,
                       int count)
{
    QStringList names;
    try {
        const std::unique_ptr<ContactReader> reader = open(path, format, encoding);
        while (names.size() < count) {
            const std::optional<ContactRecord> record = reader->next();
            if (!record)
                break;
            if (const auto& name = record->fields[contactfields::Name]; name && !name->isEmpty())
                names << *name;
        }
    } catch (const Failure&) {
        return {};
    }
    return names;
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
