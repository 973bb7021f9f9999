#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// One prepared statement on the SQLite connection under a QSqlDatabase. Used
// for the walks over the whole table, where QSqlQuery's per-value conversions
// would cost several times the reading itself.
class SqliteStatement
{
public:
    // Fails with the database's message when the statement cannot be prepared.
    SqliteStatement(sqlite3* db, const char* sql);
    SqliteStatement(sqlite3* db, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Steps to the next row; false at the end. Fails on a read error.
    bool next();

    // Binds a parameter (from 1) to a text, or to null; the text is not
    // copied and must live until the statement has run. reset() before the
    // statement runs again.
    void bindText(int index, const std::optional<QString>& text);
    void reset();

    bool isNull(int column) const;
    qint64 integer(int column) const;
    // The column's text in UTF-8, valid until the next step.
    QByteArrayView text(int column) const;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};
