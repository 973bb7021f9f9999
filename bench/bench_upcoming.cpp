// The "近期生日" list over a contact book, as the page builds it on an open
// book: the walk for the next 30 days and the last week, and the send log's
// greetings of that week. Against a plain loop over the SQLite C API that
// reads the birthday column of the same file on a connection opened
// beforehand. Both alternate, several times.
//
//   selvanto-bench-upcoming BOOK RUNS
#include "BirthdayWalkComparison.h"
#include "ContactStore.h"
#include "Failure.h"
#include "SendLog.h"
#include "SendOutcome.h"
#include "UpcomingBirthdays.h"

#include <QCoreApplication>
#include <QDate>
#include <QTemporaryDir>
#include <cstdio>

namespace {

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
        return birthdaywalk::compare(
            book, runs, [&] { return qsizetype(upcomingList(store, log, today)); },
            "the book has no birthdays in the days around today", QStringLiteral("upcoming"),
            QStringLiteral("Birthdays ahead (30 days and the last week)"));
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", qPrintable(failure.text()));
        return 1;
    }
}
