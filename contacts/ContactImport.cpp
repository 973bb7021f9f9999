#include "ContactImport.h"

#include "BirthdayText.h"
#include "ContactFields.h"
#include "ContactStore.h"
#include "Failure.h"
#include "RecordListReader.h"
#include "SqliteStatement.h"

#include <cstdlib>
#include <memory>
#include <new>
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
// apart, in bounded memory: the exact rows are in a temporary table on the
// book's connection (SQLite keeps it in a temporary file past its cache).
// When the rows go into the book, a fixed-size bit filter in memory answers
// first: a row whose two bits are not both set was never seen, and only a
// row that may have been is looked up, after the rows added to the book
// since the last look are copied into the temporary table in one statement.
// On a dry run every row goes into the temporary table.
class SeenRows
{
public:
    SeenRows(sqlite3* db, bool rowsGoIntoBook) : m_db(db), m_filtered(rowsGoIntoBook)
    {
        execute(m_db, "DROP TABLE IF EXISTS temp.selvanto_import_seen");
        // A cache of 8 MiB keeps most of the table's pages at hand; the rest
        // goes to SQLite's temporary file.
        execute(m_db, "PRAGMA temp.cache_size = -8192");
        execute(m_db, "CREATE TEMP TABLE selvanto_import_seen (a TEXT NOT NULL, b TEXT NOT NULL, "
                      "c TEXT NOT NULL, PRIMARY KEY (a, b, c)) WITHOUT ROWID");
        copyFromBook(0);
        m_insert.emplace(m_db, "INSERT OR IGNORE INTO temp.selvanto_import_seen VALUES (?, ?, ?)");
        m_find.emplace(m_db, "SELECT 1 FROM temp.selvanto_import_seen WHERE a = ? AND b = ? AND "
                             "c = ?");
        if (!m_filtered)
            return;
        // Zeroed pages cost no memory until a bit on them is set.
        m_bits.reset(static_cast<quint64*>(std::calloc(filterBits / 64, sizeof(quint64))));
        if (!m_bits)
            throw std::bad_alloc();
        SqliteStatement rows(m_db,
                             QStringLiteral("SELECT rowid, %1 FROM %2").arg(fieldList(), table));
        while (rows.next()) {
            std::array<std::optional<QString>, count> values;
            for (int column = 0; column < count; ++column)
                values[column] = QString::fromUtf8(rows.text(column + 1));
            mark(values);
            m_copied = std::max(m_copied, rows.integer(0));
        }
        m_added = m_copied;
    }
    ~SeenRows()
    {
        m_insert.reset();
        m_find.reset();
        sqlite3_exec(m_db, "DROP TABLE IF EXISTS temp.selvanto_import_seen", nullptr, nullptr,
                     nullptr);
    }

    // Whether an equal row was seen; on a dry run the row is recorded.
    bool contains(const ContactRecord::Fields& fields)
    {
        // A null field is kept as an empty one: they are equal here.
        std::array<std::optional<QString>, count> values;
        for (int column = 0; column < count; ++column)
            values[column] = shown(fields[column]);
        if (!m_filtered) {
            bind(*m_insert, values);
            m_insert->next();
            m_insert->reset();
            return sqlite3_changes(m_db) == 0;
        }
        if (!mark(values))
            return false;
        if (m_added > m_copied) {
            copyFromBook(m_copied);
            m_copied = m_added;
        }
        bind(*m_find, values);
        const bool found = m_find->next();
        m_find->reset();
        return found;
    }

    // A row the import has just added to the book, under this rowid.
    void added(qint64 rowid) { m_added = std::max(m_added, rowid); }

private:
    static constexpr quint64 filterBits = quint64(1) << 25; // 4 MiB

    void copyFromBook(qint64 after)
    {
        const QString copy =
            QStringLiteral("INSERT OR IGNORE INTO temp.selvanto_import_seen SELECT "
                           "coalesce(%1, ''), coalesce(%2, ''), coalesce(%3, '') FROM %4 "
                           "WHERE rowid > %5")
                .arg(quotedName(Name), quotedName(Birthday), quotedName(Mobile), table)
                .arg(after);
        execute(m_db, copy.toUtf8().constData());
    }

    // Sets the row's two bits; whether both were set already.
    bool mark(const std::array<std::optional<QString>, count>& values)
    {
        const auto hash = quint64(qHashMulti(0, *values[0], *values[1], *values[2]));
        bool seen = true;
        const quint64 second = (hash >> 32) ^ (hash * 0x9E3779B97F4A7C15);
        for (const quint64 bit : {hash % filterBits, second % filterBits}) {
            quint64& word = m_bits.get()[bit / 64];
            const quint64 mask = quint64(1) << (bit % 64);
            seen = seen && (word & mask);
            word |= mask;
        }
        return seen;
    }

    static void bind(SqliteStatement& statement,
                     const std::array<std::optional<QString>, count>& values)
    {
        for (int column = 0; column < count; ++column)
            statement.bindText(column + 1, values[column]);
    }

    struct Free
    {
        void operator()(quint64* bits) const { std::free(bits); }
    };

    sqlite3* m_db;
    bool m_filtered;
    std::unique_ptr<quint64, Free> m_bits;
    qint64 m_copied = 0;
    qint64 m_added = 0;
    std::optional<SqliteStatement> m_insert;
    std::optional<SqliteStatement> m_find;
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
            seen.emplace(db, !dryRun);
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
        if (seen)
            seen->added(sqlite3_last_insert_rowid(db));
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
        if (seen->contains(record.fields)) {
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
