// Filling a contact book from other programs' files, against those programs'
// own tools on the same file:
//   csv BOOK.csv RUNS     the import of a CSV file into an empty book, against
//                         sqlite3's .import of it into the same table;
//   access BOOK.mdb RUNS  the start-up's conversion of an Access book (its
//                         original kept, the new book flushed and put in its
//                         place), against mdb-export piped into sqlite3;
//   cli BOOK.csv RUNS CLI the command line's import (CLI is selvanto-contacts)
//                         of a large CSV file, its time and its peak memory,
//                         against sqlite3's .import of it.
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
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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
    csvcontacts::Reader reader(file);
    ContactStore store(book);
    const ImportReport report = importContacts(store, reader);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (report.duplicates + report.invalid > 0)
        throw Failure(QStringLiteral("rows skipped: %1").arg(report.summary()));
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

// A program's wall time and its own peak resident memory.
struct Measured
{
    double seconds = 0;
    double peakMiB = 0;
};

Measured runMeasured(const QStringList& command)
{
    QList<QByteArray> arguments;
    for (const QString& argument : command)
        arguments << QFile::encodeName(argument);
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    // Its report is not the benchmark's output.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        throw Failure(QStringLiteral("cannot start %1").arg(command.first()));
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw Failure(QStringLiteral("'%1' failed").arg(command.join(QLatin1Char(' '))));
    return {timer.nsecsElapsed() / 1e9, usage.ru_maxrss / 1024.0};
}

Measured cliImport(const QString& dir, const QString& cli, const QString& csv)
{
    const QString book = dir + QStringLiteral("/cli.mdb");
    createContactBook(book);
    return runMeasured({cli, QStringLiteral("import"), book, csv});
}

Measured sqliteImportMeasured(const QString& dir, const QString& csv)
{
    const QString book = dir + QStringLiteral("/baseline.mdb");
    createContactBook(book);
    return runMeasured({QStringLiteral("sqlite3"), book,
                        QStringLiteral(".import --csv --skip 1 %1 contact").arg(csv)});
}

int benchCli(const QString& csv, int runs, const QString& cli)
{
    QList<double> program;
    QList<double> baseline;
    QList<double> programMemory;
    QList<double> baselineMemory;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir;
        const Measured ours = cliImport(dir.path(), cli, csv);
        const Measured theirs = sqliteImportMeasured(dir.path(), csv);
        program << ours.seconds;
        programMemory << ours.peakMiB;
        baseline << theirs.seconds;
        baselineMemory << theirs.peakMiB;
    }
    reportResult(QStringLiteral("import-cli"),
                 QStringLiteral("Import 1,800,000 contacts from a 60 MB CSV with selvanto-contacts "
                                "(vs sqlite3 .import)"),
                 median(program), median(baseline), QStringLiteral("s"), QStringLiteral("2"));
    reportResult(QStringLiteral("import-cli-memory"),
                 QStringLiteral("Peak memory of that import (goal: under 64 MiB; vs sqlite3 "
                                ".import)"),
                 median(programMemory), median(baselineMemory), QStringLiteral("MiB"),
                 QStringLiteral("-"));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString mode = arguments.value(1);
    const bool cli = mode == QLatin1String("cli") && arguments.size() == 5;
    if (!cli && (arguments.size() != 4 ||
                 (mode != QLatin1String("csv") && mode != QLatin1String("access")))) {
        std::fprintf(stderr, "usage: %s csv|access FILE RUNS, or cli FILE RUNS CLI\n",
                     qPrintable(arguments.first()));
        return 2;
    }
    const QString input = arguments[2];
    const int runs = arguments[3].toInt();
    const bool csv = mode == QLatin1String("csv");
    try {
        if (cli)
            return benchCli(input, runs, arguments[4]);
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
