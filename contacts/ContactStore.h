#pragma once

#include "BusyWait.h"

#include <QSqlDatabase>
#include <QString>

struct sqlite3;

// An open contact book file: an SQLite database with the table "contact" and
// its three text fields. Opening never creates or writes the file. A missing
// file, a file that is not an SQLite database, and a table without the three
// text fields each fail with the text the user is shown.
class ContactStore
{
public:
    // Other programs may hold the file busy for a moment; wait this long
    // before a read or a save gives up.
    static constexpr int defaultBusyTimeoutMs = 5000;

    explicit ContactStore(const QString& path, int busyTimeoutMs = defaultBusyTimeoutMs);
    ~ContactStore();
    ContactStore(const ContactStore&) = delete;
    ContactStore& operator=(const ContactStore&) = delete;

    const QString& path() const { return m_path; }
    QSqlDatabase database() const;
    // The SQLite connection under the database, for the whole-table walks.
    sqlite3* handle() const;
    BusyWait& busyWait() { return m_busyWait; }
    // A number that changes when another connection commits a change to
    // the file (SQLite's data_version); this connection's own commits leave
    // it alone.
    qint64 dataVersion() const;

    // The type name a column of this declared type is reported with when it is
    // not text ("Integer", "Float", "Blob", ...); empty for a text column.
    // Follows SQLite's rules for a column's type affinity.
    static QString nonTextTypeName(const QString& declaredType);

private:
    void checkFile() const;
    void checkFields() const;

    QString m_path;
    QString m_connection;
    BusyWait m_busyWait;
};
