#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <array>

// Contact book files for tests, written and read with plain SQL so the checks
// do not depend on the code under test. A null field is an invalid QVariant.
using ContactRow = std::array<QVariant, 3>;

// The table the program expects, with the three text fields.
inline const QString standardContactTable =
    QStringLiteral("CREATE TABLE contact (\"姓名\" TEXT, \"生日\" TEXT, \"手機號碼\" TEXT)");

void writeContactBook(const QString& path, const QList<ContactRow>& rows,
                      const QString& createTable = standardContactTable);
QList<ContactRow> readContactBook(const QString& path);
// Runs statements on the file in one connection.
void execOnContactBook(const QString& path, const QStringList& statements);

// Another connection holding the file's write lock (BEGIN IMMEDIATE) for as
// long as it lives; the transaction is rolled back when it goes.
class ContactBookLock
{
public:
    explicit ContactBookLock(const QString& path);
    ~ContactBookLock();
    ContactBookLock(const ContactBookLock&) = delete;
    ContactBookLock& operator=(const ContactBookLock&) = delete;

private:
    QString m_connection;
};
