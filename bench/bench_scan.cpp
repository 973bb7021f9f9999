// Birthday scan over a contact book, as the start-up's scan step does it: the
// send log's check (the last start-up and who was greeted this week), the walk
// on its worker with its own connection (the grid's keys and the scan of today
// and the missed days), and the waiting list filled with today's matches. Against a plain loop over
// the SQLite C API that reads the birthday column of the same file on a connection opened
// beforehand. Both alternate, several times.
//
//   selvanto-bench-scan BOOK RUNS
#include "BirthdayScanTask.h"
#include "BirthdayWalkComparison.h"
#include "Failure.h"
#include "GreetingPlan.h"
#include "MissedDays.h"
#include "RecipientQueue.h"
#include "SendLog.h"

#include <QCoreApplication>
#include <QDate>
#include <QTemporaryDir>
#include <cstdio>

namespace {

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
        return birthdaywalk::compare(
            book, runs, [&] { return qsizetype(scanStep(book, logPath, today)); },
            "the book has no birthdays today or in the days before", QStringLiteral("scan"),
            QStringLiteral("Birthday scan step with the send log"));
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", qPrintable(failure.text()));
        return 1;
    }
}
