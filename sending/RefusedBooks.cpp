#include "RefusedBooks.h"

#include "Failure.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

Failure failure(const QString& path, const QSqlError& error)
{
    return Failure(QStringLiteral("%1\n發送紀錄 %2 無法讀寫").arg(error.text(), path));
}

// The file as it is now: its size and modification time in milliseconds.
QVariantList fileState(const QString& book)
{
    const QFileInfo info(book);
    return {info.absoluteFilePath(), info.size(), info.lastModified().toMSecsSinceEpoch()};
}

} // namespace

RefusedBooks::RefusedBooks(const QString& logPath)
    : m_connection(QStringLiteral("refused-") + QUuid::createUuid().toString(QUuid::WithoutBraces)),
      m_path(logPath)
{
    QSqlError error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(logPath);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        if (db.open()) {
            QSqlQuery query(db);
            if (!query.exec(QStringLiteral(
                    "CREATE TABLE IF NOT EXISTS refused_book (path TEXT PRIMARY KEY, "
                    "size INTEGER NOT NULL, modified INTEGER NOT NULL, error TEXT NOT NULL)")))
                error = query.lastError();
        } else {
            error = db.lastError();
        }
        if (error.type() != QSqlError::NoError)
            db.close();
    }
    if (error.type() != QSqlError::NoError) {
        QSqlDatabase::removeDatabase(m_connection);
        throw failure(m_path, error);
    }
}

RefusedBooks::~RefusedBooks()
{
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

std::optional<QString> RefusedBooks::refusal(const QString& book) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral(
        "SELECT error FROM refused_book WHERE path = ? AND size = ? AND modified = ?"));
    for (const QVariant& value : fileState(book))
        query.addBindValue(value);
    if (!query.exec())
        throw failure(m_path, query.lastError());
    if (!query.next())
        return std::nullopt;
    return query.value(0).toString();
}

void RefusedBooks::remember(const QString& book, const QString& error)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral(
        "INSERT OR REPLACE INTO refused_book (path, size, modified, error) VALUES (?, ?, ?, ?)"));
    for (const QVariant& value : fileState(book))
        query.addBindValue(value);
    query.addBindValue(error);
    if (!query.exec())
        throw failure(m_path, query.lastError());
}
