#include "ContactImport.h"

#include "BirthdayText.h"
#include "ContactFields.h"
#include "ContactStore.h"
#include "Failure.h"
#include "SqliteStatement.h"

#include <QSet>

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

// A row's three fields, for telling duplicates apart; a null field equals an
// empty one.
struct RowKey
{
    std::array<QString, count> fields;

    explicit RowKey(const ContactRecord::Fields& values)
    {
        for (int column = 0; column < count; ++column)
            fields[column] = shown(values[column]);
    }
    bool operator==(const RowKey& other) const { return fields == other.fields; }
};

size_t qHash(const RowKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.fields[0], key.fields[1], key.fields[2]);
}

bool blank(const std::optional<QString>& field)
{
    return !field || field->isEmpty();
}

// One transaction on the book's connection; rolled back unless committed.
class Transaction
{
public:
    explicit Transaction(sqlite3* db) : m_db(db) { exec("BEGIN IMMEDIATE"); }
    ~Transaction()
    {
        if (!m_committed)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit()
    {
        exec("COMMIT");
        m_committed = true;
    }

private:
    void exec(const char* sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw Failure(datasetFailure(QString::fromUtf8(sqlite3_errmsg(m_db))));
    }

    sqlite3* m_db;
    bool m_committed = false;
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
    return text;
}

QString ImportReport::boxText(int lines) const
{
    const QStringList details = skipped + remarks;
    QString text = summary();
    for (qsizetype k = 0; k < details.size() && k < lines; ++k)
        text += QLatin1Char('\n') + details[k];
    if (details.size() > lines)
        text += QStringLiteral("\n…另有 %1 行").arg(details.size() - lines);
    return text;
}

ImportReport importContacts(ContactStore& store, const ContactRecords& records, ImportRules rules,
                            bool dryRun)
{
    ImportReport report;
    sqlite3* db = store.handle();
    // A dry run writes nothing and so takes no write lock.
    std::optional<Transaction> transaction;
    if (!dryRun)
        transaction.emplace(db);

    QSet<RowKey> known;
    if (rules == ImportRules::Contacts) {
        known.reserve(records.size());
        SqliteStatement existing(db, QStringLiteral("SELECT %1 FROM %2")
                                         .arg(contactfields::fieldList(), contactfields::table));
        while (existing.next()) {
            ContactRecord::Fields fields;
            for (int column = 0; column < count; ++column)
                fields[column] = QString::fromUtf8(existing.text(column));
            known.insert(RowKey(fields));
        }
    }

    SqliteStatement insert(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (?, ?, ?)")
                                   .arg(contactfields::table, contactfields::fieldList()));
    for (const ContactRecord& given : records) {
        ContactRecord record = given;
        if (rules == ImportRules::Contacts) {
            if (blank(record.fields[Name]) && blank(record.fields[Mobile])) {
                ++report.invalid;
                report.skipped << QStringLiteral("%1 略過：無效，沒有姓名也沒有手機號碼 (%2)")
                                      .arg(record.where, describe(record));
                continue;
            }
            auto& birthday = record.fields[Birthday];
            if (!blank(birthday)) {
                const std::optional<QString> day = birthdaytext::toBookForm(*birthday);
                if (!day) {
                    report.remarks << QStringLiteral("%1：生日「%2」不是有效的月日，匯入為空白")
                                          .arg(record.where, *birthday);
                }
                birthday = day;
            }
            const qsizetype knownBefore = known.size();
            known.insert(RowKey(record.fields));
            if (known.size() == knownBefore) {
                ++report.duplicates;
                report.skipped
                    << QStringLiteral("%1 略過：重複 (%2)").arg(record.where, describe(record));
                continue;
            }
            for (int column : {Name, Mobile}) {
                const QString text = shown(record.fields[column]);
                if (text.size() > sizes[column]) {
                    report.remarks << QStringLiteral("%1：%2「%3」超過 %4 個字，已完整匯入")
                                          .arg(record.where, names[column].toString(), text)
                                          .arg(sizes[column]);
                }
            }
        }
        ++report.added;
        if (dryRun) {
            report.wouldAdd << QStringLiteral("%1 匯入：%2").arg(record.where, describe(record));
            continue;
        }
        for (int column = 0; column < count; ++column)
            insert.bindText(column + 1, record.fields[column]);
        insert.next();
        insert.reset();
    }
    if (transaction)
        transaction->commit();
    return report;
}
