#pragma once

// A walk of the program's over a contact book timed against a plain loop
// over the SQLite C API that reads the birthday column of the same file on a
// connection opened beforehand. Both alternate, several times; the first
// round of each warms the page cache and is not counted.
#include "BenchReport.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QString>
#include <cstdio>
#include <functional>
#include <sqlite3.h>

namespace birthdaywalk {

// Reads every birthday and touches its bytes, as any walk must.
inline qint64 plainLoop(sqlite3* db)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT \"生日\" FROM contact", -1, &statement, nullptr) !=
        SQLITE_OK)
        return -1;
    qint64 bytes = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(statement, 0);
        const int size = sqlite3_column_bytes(statement, 0);
        if (text && size > 2)
            bytes += text[2];
    }
    sqlite3_finalize(statement);
    return bytes;
}

inline qint64 rowCount(sqlite3* db)
{
    qint64 rows = 0;
    sqlite3_stmt* count = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM contact", -1, &count, nullptr);
    if (sqlite3_step(count) == SQLITE_ROW)
        rows = sqlite3_column_int64(count, 0);
    sqlite3_finalize(count);
    return rows;
}

// Times walk (which returns how many contacts it found; none is an error,
// named by nothingFound) against the plain loop and reports the medians under
// name, described by what followed by the book's row count. Returns the
// program's exit status.
inline int compare(const QString& book, int runs, const std::function<qsizetype()>& walk,
                   const char* nothingFound, const QString& name, const QString& what)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(book.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(book));
        sqlite3_close(db);
        return 1;
    }
    const qint64 rows = rowCount(db);
    QList<double> programMs, baselineMs;
    qint64 checksum = 0;
    for (int run = -1; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const qsizetype found = walk();
        const double program = clock.nsecsElapsed() / 1e6;
        if (found == 0) {
            std::fprintf(stderr, "%s\n", nothingFound);
            sqlite3_close(db);
            return 1;
        }
        clock.restart();
        checksum += plainLoop(db);
        const double baseline = clock.nsecsElapsed() / 1e6;
        if (run >= 0) {
            programMs << program;
            baselineMs << baseline;
        }
    }
    sqlite3_close(db);
    if (checksum < 0)
        return 1;
    reportResult(
        name, what + QStringLiteral(", %1 rows").arg(QLocale(QLocale::English).toString(rows)),
        median(programMs), median(baselineMs), QStringLiteral("ms"), QStringLiteral("2.00"));
    return 0;
}

} // namespace birthdaywalk
