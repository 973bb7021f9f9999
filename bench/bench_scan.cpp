// Birthday scan over a contact book, as the start-up's scan step does it: the
// send log's check (the last start-up and who was greeted this week), the walk
// on its worker with its own connection (the grid's keys and the scan of today
// and the missed days), and the waiting list filled with today's matches. Against a plain loop over
// the SQLite C API that reads the birthday column of the same file on a connection opened
// beforehand. Both alternate, several times.
//
//   selvanto-bench-scan BOOK RUNS
#include "BenchReport.h"
#include "BirthdayScanTask.h"
#include "Failure.h"
#include "GreetingPlan.h"
#include "MissedDays.h"
#include "RecipientQueue.h"
#include "SendLog.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

namespace {

// Reads every birthday and touches its bytes, as any scan must.
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

// The scan step's work; returns how many of today's contacts wait for a box.
int scanStep(const QString& book, const QString& logPath, const QDate& today)
{
    BirthdayScanTask task(book, today, missedDaysKept);
    const SendLog log(logPath);
    const GreetingRecord record = greetingRecord(log, today.addDays(-missedDaysKept));
    const GreetingPlan plan =
        planGreetings(task.take(missedDays(log.firstStartup(), today)), record, today);
    RecipientQueue queue;
    queue.append(plan.today);
    queue.takeBatch(5);
    return queue.waiting() + int(plan.missed.size());
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
        // A log whose last start-up was three days ago, with one send since.
        QTemporaryDir folder;
        const QString logPath = folder.filePath(SendLog::fileName());
        {
            SendLog log(logPath);
            log.recordStartup(QDateTime(today.addDays(-3), QTime(9, 0)));
            log.recordSend(QDateTime(today.addDays(-3), QTime(9, 5)),
                           {QStringLiteral("0912345678")}, {QStringLiteral("王小明")},
                           QStringLiteral("生日快樂"), QString());
        }
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
            const int matches = scanStep(book, logPath, today);
            const double program = clock.nsecsElapsed() / 1e6;
            if (matches == 0) {
                std::fprintf(stderr, "the book has no birthdays today or in the days before\n");
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
        reportResult(QStringLiteral("scan"),
                     QStringLiteral("Birthday scan step with the send log, %1 rows")
                         .arg(QLocale(QLocale::English).toString(rows)),
                     median(programMs), median(baselineMs), QStringLiteral("ms"),
                     QStringLiteral("2.00"));
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", qPrintable(failure.text()));
        return 1;
    }
    return 0;
}
