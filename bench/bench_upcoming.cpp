// The "近期生日" list over a contact book, as the page builds it on an open
// book: the walk for the next 30 days and the last week, and the send log's
// greetings of that week. Against a plain loop over the SQLite C API that
// reads the birthday column of the same file on a connection opened
// beforehand. Both alternate, several times.
//
//   selvanto-bench-upcoming BOOK RUNS
#include "BenchReport.h"
#include "ContactStore.h"
#include "Failure.h"
#include "SendLog.h"
#include "SendOutcome.h"
#include "UpcomingBirthdays.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

namespace {

// Reads every birthday and touches its bytes, as any walk must.
qint64 plainLoop(sqlite3* db)
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

// The page's work; returns how many birthdays it lists.
qsizetype upcomingList(const ContactStore& store, const SendLog& log, const QDate& today)
{
    const QList<UpcomingBirthday> found = UpcomingBirthdays(today).run(store);
    const GreetingRecord record = greetingRecord(log, today.addDays(-UpcomingBirthdays::daysBack));
    return UpcomingBirthdays::withGreetings(found, record).size();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: %s BOOK RUNS\n", qPrintable(arguments.first()));
        return 2;
    }
    const QString book = arguments[1];
    const int runs = arguments[2].toInt();
    try {
        const QDate today = QDate::currentDate();
        QTemporaryDir folder;
        const SendLog log(folder.filePath(SendLog::fileName()));
        const ContactStore store(book);
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(book.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
            SQLITE_OK) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(book));
            return 1;
        }
        qint64 rows = 0;
        {
            sqlite3_stmt* count = nullptr;
            sqlite3_prepare_v2(db, "SELECT count(*) FROM contact", -1, &count, nullptr);
            if (sqlite3_step(count) == SQLITE_ROW)
                rows = sqlite3_column_int64(count, 0);
            sqlite3_finalize(count);
        }
        QList<double> programMs, baselineMs;
        qint64 checksum = 0;
        // The first round of each warms the page cache and is not counted.
        for (int run = -1; run < runs; ++run) {
            QElapsedTimer clock;
            clock.start();
            const qsizetype listed = upcomingList(store, log, today);
            const double program = clock.nsecsElapsed() / 1e6;
            if (listed == 0) {
                std::fprintf(stderr, "the book has no birthdays in the days around today\n");
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
        reportResult(QStringLiteral("upcoming"),
                     QStringLiteral("Birthdays ahead (30 days and the last week), %1 rows")
                         .arg(QLocale(QLocale::English).toString(rows)),
                     median(programMs), median(baselineMs), QStringLiteral("ms"),
                     QStringLiteral("2.00"));
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", qPrintable(failure.text()));
        return 1;
    }
    return 0;
}
