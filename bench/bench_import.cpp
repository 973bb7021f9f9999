// Filling a contact book from other programs' files, against those programs'
// own tools on the same file:
//   csv BOOK.csv RUNS     the import of a CSV file into an empty book, against
//                         sqlite3's .import of it into the same table;
//   access BOOK.mdb RUNS  the start-up's conversion of an Access book (its
//                         original kept, the new book flushed and put in its
//                         place), against mdb-export piped into sqlite3.
// Each run works on fresh files; program and baseline alternate.
#include "AccessConversion.h"
#include "BenchReport.h"
#include "ContactBookTool.h"
#include "ContactImport.h"
#include "ContactStore.h"
#include "CsvContacts.h"
#include "Failure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QString quoted(const QString& path)
{
    return QLatin1Char('\'') + QString(path).replace(QLatin1String("'"), QLatin1String("'\\''")) +
           QLatin1Char('\'');
}

// Runs a shell pipeline; fails the benchmark when it does.
void shell(const QString& command)
{
    QProcess process;
    process.start(QStringLiteral("sh"), {QStringLiteral("-c"), command});
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        throw Failure(QStringLiteral("'%1' failed: %2")
                          .arg(command, QString::fromLocal8Bit(process.readAllStandardError())));
    }
}

double importCsv(const QString& dir, const QString& csv)
{
    const QString book = dir + QStringLiteral("/book.mdb");
    createContactBook(book);
    QElapsedTimer timer;
    timer.start();
    QFile file(csv);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("cannot read %1").arg(csv));
    const ContactRecords records = csvcontacts::read(file.readAll());
    ContactStore store(book);
    const ImportReport report = importContacts(store, records);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (report.added != records.size())
        throw Failure(
            QStringLiteral("only %1 of %2 rows imported").arg(report.added).arg(records.size()));
    return seconds;
}

double sqliteImport(const QString& dir, const QString& csv)
{
    const QString book = dir + QStringLiteral("/baseline.mdb");
    createContactBook(book);
    QElapsedTimer timer;
    timer.start();
    shell(QStringLiteral("sqlite3 %1 \".import --csv --skip 1 %2 contact\"")
              .arg(quoted(book), quoted(csv)));
    return timer.nsecsElapsed() / 1e9;
}

double convertAccess(const QString& dir, const QString& access)
{
    const QString book = dir + QStringLiteral("/contact.mdb");
    if (!QFile::copy(access, book))
        throw Failure(QStringLiteral("cannot copy %1").arg(access));
    QElapsedTimer timer;
    timer.start();
    accessconversion::convert(book, QStringLiteral(SELVANTO_ACCESS_READER));
    return timer.nsecsElapsed() / 1e9;
}

double mdbExport(const QString& dir, const QString& access)
{
    const QString book = dir + QStringLiteral("/baseline.mdb");
    createContactBook(book);
    QElapsedTimer timer;
    timer.start();
    shell(QStringLiteral("mdb-export %1 contact | sqlite3 %2 \".import --csv --skip 1 /dev/stdin "
                         "contact\"")
              .arg(quoted(access), quoted(book)));
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString mode = arguments.value(1);
    if (arguments.size() != 4 ||
        (mode != QLatin1String("csv") && mode != QLatin1String("access"))) {
        std::fprintf(stderr, "usage: %s csv|access FILE RUNS\n", qPrintable(arguments.first()));
        return 2;
    }
    const QString input = arguments[2];
    const int runs = arguments[3].toInt();
    const bool csv = mode == QLatin1String("csv");
    try {
        QList<double> program;
        QList<double> baseline;
        for (int run = 0; run < runs; ++run) {
            QTemporaryDir dir;
            program << (csv ? importCsv(dir.path(), input) : convertAccess(dir.path(), input));
            baseline << (csv ? sqliteImport(dir.path(), input) : mdbExport(dir.path(), input));
        }
        if (csv) {
            reportResult(QStringLiteral("import-csv"),
                         QStringLiteral("Import 100,000 contacts from CSV (vs sqlite3 .import)"),
                         median(program), median(baseline), QStringLiteral("s"),
                         QStringLiteral("2"));
        } else {
            reportResult(
                QStringLiteral("convert-access"),
                QStringLiteral("Convert a 100,000-row Jet 4 book (vs mdb-export and sqlite3)"),
                median(program), median(baseline), QStringLiteral("s"), QStringLiteral("2"));
        }
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    return 0;
}
