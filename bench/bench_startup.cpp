// Start-up and memory: runs the start-up probe (the program) and the bare
// browser baseline one after the other, several times, for each contact book.
// Wall time counts from spawning the process to its "ready" line; memory is the
// peak resident size of that process when it is ready.
//
//   selvanto-bench-startup PROBE BASELINE SMS_PAGE_URL RUNS ROWS=BOOK...
#include "BenchReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>

namespace {

constexpr int timeoutMs = 60000;

struct Sample
{
    double ms = 0;
    double peakKiB = 0;
};

// Starts the program and waits for its ready line; the time stops at the line,
// then the process is left to exit on its own before the next one starts.
std::optional<Sample> measure(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    QByteArray output;
    std::optional<Sample> sample;
    while (!sample) {
        if (!process.waitForReadyRead(timeoutMs))
            break;
        output += process.readAllStandardOutput();
        const qsizetype at = output.indexOf("ready peak_rss_kib=");
        if (at >= 0 && output.indexOf('\n', at) > at) {
            const qint64 elapsed = clock.nsecsElapsed();
            const QByteArray line = output.mid(at, output.indexOf('\n', at) - at);
            sample = Sample{elapsed / 1e6, line.split('=').last().toDouble()};
        }
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    if (!sample)
        std::fprintf(stderr, "%s gave no ready line: %s\n", qPrintable(program),
                     output.constData());
    return sample;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 6) {
        std::fprintf(stderr, "usage: %s PROBE BASELINE SMS_PAGE_URL RUNS ROWS=BOOK...\n",
                     qPrintable(arguments.first()));
        return 2;
    }
    const QString probe = arguments[1];
    const QString baseline = arguments[2];
    const QString smsPage = arguments[3];
    const int runs = arguments[4].toInt();

    for (const QString& book : arguments.mid(5)) {
        const QString rows = book.section(QLatin1Char('='), 0, 0);
        const QString file = book.section(QLatin1Char('='), 1);
        // The program reads its contact book from its own folder.
        QTemporaryDir folder;
        const QString copy = folder.filePath(QStringLiteral("selvanto"));
        if (!folder.isValid() || !QFile::copy(probe, copy) ||
            !QFile::copy(file, folder.filePath(QStringLiteral("contact.mdb")))) {
            std::fprintf(stderr, "cannot prepare a folder for %s\n", qPrintable(file));
            return 1;
        }
        QFile::setPermissions(copy, QFile::permissions(probe));

        // One unmeasured run each: the first start after a build reads
        // everything from disk.
        measure(copy, {});
        measure(baseline, {smsPage});
        QList<double> programMs, baselineMs, programKiB, baselineKiB;
        for (int run = 0; run < runs; ++run) {
            const std::optional<Sample> program = measure(copy, {});
            const std::optional<Sample> bare = measure(baseline, {smsPage});
            if (!program || !bare)
                return 1;
            programMs << program->ms;
            baselineMs << bare->ms;
            programKiB << program->peakKiB;
            baselineKiB << bare->peakKiB;
        }
        const int count = rows.toInt();
        const QString goal = count == 10000     ? QStringLiteral("1.10")
                             : count == 1000000 ? QStringLiteral("1.30")
                                                : QStringLiteral("-");
        reportResult(QStringLiteral("startup-%1").arg(rows),
                     QStringLiteral("Start-up to SMS page loaded, %1 rows")
                         .arg(QLocale(QLocale::English).toString(count)),
                     median(programMs), median(baselineMs), QStringLiteral("ms"), goal);
        if (count == 100000) {
            reportResult(QStringLiteral("memory"),
                         QStringLiteral("Peak memory after start-up, %1 rows")
                             .arg(QLocale(QLocale::English).toString(count)),
                         median(programKiB) / 1024, median(baselineKiB) / 1024,
                         QStringLiteral("MiB"), QStringLiteral("1.15"));
        }
    }
    return 0;
}
