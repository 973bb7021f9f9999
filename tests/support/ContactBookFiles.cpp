#include "ContactBookFiles.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

int counter = 0;

QString newConnectionName()
{
    return QStringLiteral("test-contact-book-%1").arg(++counter);
}

QSqlDatabase openDatabase(const QString& name, const QString& path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    if (!db.open())
        qFatal("cannot open %s", qPrintable(path));
    return db;
}

template <typename Body> void withDatabase(const QString& path, Body body)
{
    const QString name = newConnectionName();
    {
        QSqlDatabase db = openDatabase(name, path);
        body(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void exec(QSqlQuery& query)
{
    if (!query.exec())
        qFatal("test SQL failed: %s", qPrintable(query.lastError().text()));
}

void exec(QSqlQuery& query, const QString& statement)
{
    if (!query.exec(statement))
        qFatal("test SQL failed: %s", qPrintable(query.lastError().text()));
}

} // namespace

void writeContactBook(const QString& path, const QList<ContactRow>& rows,
                      const QString& createTable)
{
    withDatabase(path, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        exec(query, createTable);
        db.transaction();
        query.prepare(QStringLiteral("INSERT INTO contact (\"姓名\", \"生日\", \"手機號碼\") "
                                     "VALUES (?, ?, ?)"));
        for (const ContactRow& row : rows) {
            for (const QVariant& value : row)
                query.addBindValue(value);
            exec(query);
        }
        db.commit();
    });
}

QList<ContactRow> readContactBook(const QString& path)
{
    QList<ContactRow> rows;
    withDatabase(path, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.exec(
            QStringLiteral("SELECT \"姓名\", \"生日\", \"手機號碼\" FROM contact ORDER BY rowid"));
        while (query.next()) {
            ContactRow row;
            for (int column = 0; column < 3; ++column) {
                const QVariant value = query.value(column);
                row[column] = value.isNull() ? QVariant() : QVariant(value.toString());
            }
            rows << row;
        }
    });
    return rows;
}

void execOnContactBook(const QString& path, const QStringList& statements)
{
    withDatabase(path, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        for (const QString& statement : statements)
            exec(query, statement);
    });
}

ContactBookLock::ContactBookLock(const QString& path) : m_connection(newConnectionName())
{
    QSqlQuery lock(openDatabase(m_connection, path));
    exec(lock, QStringLiteral("BEGIN IMMEDIATE"));
}

ContactBookLock::~ContactBookLock()
{
    {
        QSqlQuery unlock(QSqlDatabase::database(m_connection, false));
        exec(unlock, QStringLiteral("ROLLBACK"));
    }
    QSqlDatabase::removeDatabase(m_connection);
}
