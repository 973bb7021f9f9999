#include "SqliteStatement.h"

#include "ContactFields.h"
#include "Failure.h"
#include "SqliteAdvice.h"

#include <QString>

#include <sqlite3.h>

namespace {

[[noreturn]] void fail(sqlite3* db)
{
    throw Failure(contactfields::datasetFailure(
        sqliteadvice::explained(QString::fromUtf8(sqlite3_errmsg(db)), sqlite3_errcode(db))));
}

} // namespace

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) : m_db(db)
{
    if (sqlite3_prepare_v2(m_db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
        fail(m_db);
}

SqliteStatement::SqliteStatement(sqlite3* db, const QString& sql)
    : SqliteStatement(db, sql.toUtf8().constData())
{}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

bool SqliteStatement::next()
{
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    fail(m_db);
}

void SqliteStatement::bindText(int index, const std::optional<QString>& text)
{
    // UTF-16 as it is, not copied: the text must outlive the next step.
    const int result =
        text ? sqlite3_bind_text16(m_statement, index,
                                   text->isNull() ? static_cast<const void*>(u"") : text->utf16(),
                                   int(text->size() * sizeof(char16_t)), SQLITE_STATIC)
             : sqlite3_bind_null(m_statement, index);
    if (result != SQLITE_OK)
        fail(m_db);
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement);
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

QByteArrayView SqliteStatement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QByteArrayView(data, sqlite3_column_bytes(m_statement, column));
}
