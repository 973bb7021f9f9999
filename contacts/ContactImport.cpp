#include "ContactImport.h"

#include "BirthdayText.h"
#include "ContactFields.h"
#include "ContactStore.h"
#include "Failure.h"
#include "RecordListReader.h"
#include "SqliteStatement.h"

#include <optional>

#include <sqlite3.h>

namespace {

using namespace contactfields;

QString shown(const std::optional<QString>& field)
{
    return field ? *field : QString();
}

QString describe(const ContactRecord& record)
{
    return QStringLiteral("%1, %2, %3")
        .arg(shown(record.fields[Name]), shown(record.fields[Birthday]),
             shown(record.fields[Mobile]));
}

bool blank(const std::optional<QString>& field)
{
    return !field || field->isEmpty();
}

void execute(sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw Failure(datasetFailure(QString::fromUtf8(sqlite3_errmsg(db))));
}

// One transaction on the book's connection; rolled back unless committed.
class Transaction
{
public:
    explicit Transaction(sqlite3* db) : m_db(db) { execute(m_db, "BEGIN IMMEDIATE"); }
    ~Transaction()
    {
        if (!m_committed)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit()
    {
        execute(m_db, "COMMIT");
        m_committed = true;
    }

private:
    sqlite3* m_db;
    bool m_committed = false;
};

// The rows seen so far, the book's and the file's, for telling duplicates
// apart: a temporary table on the book's connection (SQLite keeps it in a
// temporary file past a small cache), never the whole set in memory.
class SeenRows
{
public:
    explicit SeenRows(sqlite3* db) : m_db(db)
    {
        execute(m_db, "DROP TABLE IF EXISTS temp.selvanto_import_seen");
        // A cache of 8 MiB keeps most of the table's pages at hand; the rest
        // goes to SQLite's temporary file.
        execute(m_db, "PRAGMA temp.cache_size = -8192");
        execute(m_db, "CREATE TEMP TABLE selvanto_import_seen (a TEXT NOT NULL, b TEXT NOT NULL, "
                      "c TEXT NOT NULL, PRIMARY KEY (a, b, c)) WITHOUT ROWID");
        const QString fill =
            QStringLiteral("INSERT OR IGNORE INTO temp.selvanto_import_seen SELECT "
                           "coalesce(%1, ''), coalesce(%2, ''), coalesce(%3, '') FROM %4")
                .arg(quotedName(Name), quotedName(Birthday), quotedName(Mobile), table);
        execute(m_db, fill.toUtf8().constData());
        m_insert.emplace(m_db, "INSERT OR IGNORE INTO temp.selvanto_import_seen VALUES (?, ?, ?)");
    }
    ~SeenRows()
    {
        m_insert.reset();
        sqlite3_exec(m_db, "DROP TABLE IF EXISTS temp.selvanto_import_seen", nullptr, nullptr,
                     nullptr);
    }

    // Adds the row; false when it was there already.
    bool add(const ContactRecord::Fields& fields)
    {
        // A null field is kept as an empty one: they are equal here.
        std::array<std::optional<QString>, count> values;
        for (int column = 0; column < count; ++column) {
            values[column] = shown(fields[column]);
            m_insert->bindText(column + 1, values[column]);
        }
        m_insert->next();
        m_insert->reset();
        return sqlite3_changes(m_db) > 0;
    }

private:
    sqlite3* m_db;
    std::optional<SqliteStatement> m_insert;
};

} // namespace

QString ImportReport::summary() const
{
    QString text = QStringLiteral("匯入 %1 筆，略過 %2 筆").arg(added).arg(duplicates + invalid);
    QStringList reasons;
    if (duplicates)
        reasons << QStringLiteral("重複 %1").arg(duplicates);
    if (invalid)
        reasons << QStringLiteral("無效 %1").arg(invalid);
    if (!reasons.isEmpty())
        text += QStringLiteral("：") + reasons.join(QStringLiteral("、"));
    if (!source.isEmpty())
        text += QStringLiteral("（") + source + QStringLiteral("）");
    return text;
}

QString ImportReport::boxText(int lines) const
{
    const QStringList details = skipped + remarks;
    QString text = summary();
    for (qsizetype k = 0; k < details.size() && k < lines; ++k)
        text += QLatin1Char('\n') + details[k];
    const qsizetype more = details.size() + linesNotKept - lines;
    if (more > 0)
        text += QStringLiteral("\n…另有 %1 行").arg(more);
    return text;
}

struct ContactImport::Private
{
    ContactReader& reader;
    ImportRules rules;
    bool dryRun;
    LineSink lines;
    sqlite3* db;
    ImportReport report;
    std::optional<Transaction> transaction;
    std::optional<SeenRows> seen;
    std::optional<SqliteStatement> insert;
    int read = 0;
    bool done = false;

    Private(ContactStore& store, ContactReader& file, ImportRules given, bool dry, LineSink sink)
        : reader(file), rules(given), dryRun(dry), lines(std::move(sink)), db(store.handle())
    {
        // A dry run writes nothing to the book and so takes no write lock.
        if (!dryRun)
            transaction.emplace(db);
        if (rules == ImportRules::Contacts)
            seen.emplace(db);
        insert.emplace(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (?, ?, ?)")
                               .arg(contactfields::table, contactfields::fieldList()));
    }

    void note(QStringList& kept, const QString& line)
    {
        if (lines)
            lines(line);
        if (report.skipped.size() + report.remarks.size() < ImportReport::keptLines)
            kept << line;
        else
            ++report.linesNotKept;
    }

    void add(ContactRecord record)
    {
        ++read;
        if (!record.remark.isEmpty())
            note(report.remarks, record.remark);
        if (rules == ImportRules::Contacts && !check(record))
            return;
        ++report.added;
        if (dryRun) {
            if (lines)
                lines(QStringLiteral("%1 匯入：%2").arg(record.where, describe(record)));
            return;
        }
        for (int column = 0; column < count; ++column)
            insert->bindText(column + 1, record.fields[column]);
        insert->next();
        insert->reset();
    }

    // The user's import rules; false when the row is skipped.
    bool check(ContactRecord& record)
    {
        if (blank(record.fields[Name]) && blank(record.fields[Mobile])) {
            ++report.invalid;
            note(report.skipped, QStringLiteral("%1 略過：無效，沒有姓名也沒有手機號碼 (%2)")
                                     .arg(record.where, describe(record)));
            return false;
        }
        auto& birthday = record.fields[Birthday];
        if (!blank(birthday)) {
            const std::optional<QString> day = birthdaytext::toBookForm(*birthday);
            if (!day) {
                note(report.remarks, QStringLiteral("%1：生日「%2」不是有效的月日，匯入為空白")
                                         .arg(record.where, *birthday));
            }
            birthday = day;
        }
        if (!seen->add(record.fields)) {
            ++report.duplicates;
            note(report.skipped,
                 QStringLiteral("%1 略過：重複 (%2)").arg(record.where, describe(record)));
            return false;
        }
        for (int column : {Name, Mobile}) {
            const QString text = shown(record.fields[column]);
            if (text.size() > sizes[column]) {
                note(report.remarks, QStringLiteral("%1：%2「%3」超過 %4 個字，已完整匯入")
                                         .arg(record.where, names[column].toString(), text)
                                         .arg(sizes[column]));
            }
        }
        return true;
    }
};

ContactImport::ContactImport(ContactStore& store, ContactReader& reader, ImportRules rules,
                             bool dryRun, LineSink lines)
    : d(std::make_unique<Private>(store, reader, rules, dryRun, std::move(lines)))
{}

ContactImport::~ContactImport() = default;

bool ContactImport::step(int rows)
{
    for (int k = 0; k < rows && !d->done; ++k) {
        std::optional<ContactRecord> record = d->reader.next();
        if (!record)
            d->done = true;
        else
            d->add(std::move(*record));
    }
    return !d->done;
}

ImportReport ContactImport::finish()
{
    while (step(1000)) {
    }
    if (d->read == 0 && d->rules == ImportRules::Contacts)
        throw Failure(QStringLiteral("檔案裡沒有聯絡人。"));
    d->insert.reset();
    d->seen.reset();
    if (d->transaction)
        d->transaction->commit();
    d->report.source = d->reader.description();
    return d->report;
}

int ContactImport::progress() const
{
    const qint64 size = d->reader.size();
    return size > 0 ? int(std::min<qint64>(1000, d->reader.position() * 1000 / size)) : 0;
}

ImportReport importContacts(ContactStore& store, ContactReader& reader, ImportRules rules,
                            bool dryRun, const ContactImport::LineSink& lines)
{
    return ContactImport(store, reader, rules, dryRun, lines).finish();
}

ImportReport importContacts(ContactStore& store, const ContactRecords& records, ImportRules rules,
                            bool dryRun)
{
    RecordListReader reader(records);
    return importContacts(store, reader, rules, dryRun);
}
