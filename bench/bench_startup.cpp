// Start-up and memory: runs the start-up probe (the program) and the bare
// browser baseline one after the other, several times, for each contact book.
// The program's folder holds the book, a saved account and a message text, as
// a user's does. Wall time counts from spawning the process to its "ready"
// line; memory is the peak resident size of that process when it is ready,
// alone and with the browser's helper processes.
//
// Each book is given as MODE:ROWS=BOOK. Mode "page": a day without birthdays,
// timed until the start-up has returned and the SMS page has loaded. Mode
// "greeting": a day with birthdays, timed until the greeting box is painted.
//
//   selvanto-bench-startup PROBE BASELINE SMS_PAGE_URL RUNS ACCOUNT_INI SMS_TXT MODE:ROWS=BOOK...
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
    double withHelpersKiB = 0;
};

double field(const QByteArray& line, const QByteArray& name)
{
    for (const QByteArray& part : line.split(' ')) {
        if (part.startsWith(name + '='))
            return part.mid(name.size() + 1).toDouble();
    }
    return 0;
}

// Starts the program and waits for its ready line; the time stops at the line,
// then the process is left to exit on its own before the next one starts.
std::optional<Sample> measure(const QString& program, const QStringList& arguments,
                              const QString& until = {})
{
    QProcess process;
    if (!until.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("SELVANTO_PROBE_UNTIL"), until);
        process.setProcessEnvironment(environment);
    }
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
            sample =
                Sample{elapsed / 1e6, field(line, "peak_rss_kib"), field(line, "tree_peak_kib")};
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
    if (arguments.size() < 8) {
        std::fprintf(stderr,
                     "usage: %s PROBE BASELINE SMS_PAGE_URL RUNS ACCOUNT_INI SMS_TXT "
                     "MODE:ROWS=BOOK...\n",
                     qPrintable(arguments.first()));
        return 2;
    }
    const QString probe = arguments[1];
    const QString baseline = arguments[2];
    const QString smsPage = arguments[3];
    const int runs = arguments[4].toInt();
    const QString account = arguments[5];
    const QString message = arguments[6];

    for (const QString& book : arguments.mid(7)) {
        const QString mode = book.section(QLatin1Char(':'), 0, 0);
        const QString rows = book.section(QLatin1Char(':'), 1).section(QLatin1Char('='), 0, 0);
        const QString file = book.section(QLatin1Char('='), 1);
        const QString until = mode == QLatin1String("greeting") ? mode : QString();
        // The program reads its contact book, saved account and message text
        // from its own folder.
        QTemporaryDir folder;
        const QString copy = folder.filePath(QStringLiteral("selvanto"));
        if (!folder.isValid() || !QFile::copy(probe, copy) ||
            !QFile::copy(file, folder.filePath(QStringLiteral("contact.mdb"))) ||
            !QFile::copy(account, folder.filePath(QStringLiteral("account.ini"))) ||
            !QFile::copy(message, folder.filePath(QStringLiteral("sms.txt")))) {
            std::fprintf(stderr, "cannot prepare a folder for %s\n", qPrintable(file));
            return 1;
        }
        QFile::setPermissions(copy, QFile::permissions(probe));

        // One unmeasured run each: the first start after a build reads
        // everything from disk.
        measure(copy, {}, until);
        measure(baseline, {smsPage});
        QList<double> programMs, baselineMs, programKiB, baselineKiB, programAllKiB, baselineAllKiB;
        for (int run = 0; run < runs; ++run) {
            const std::optional<Sample> program = measure(copy, {}, until);
            const std::optional<Sample> bare = measure(baseline, {smsPage});
            if (!program || !bare)
                return 1;
            programMs << program->ms;
            baselineMs << bare->ms;
            programKiB << program->peakKiB;
            baselineKiB << bare->peakKiB;
            programAllKiB << program->withHelpersKiB;
            baselineAllKiB << bare->withHelpersKiB;
        }
        const int count = rows.toInt();
        const QString counted = QLocale(QLocale::English).toString(count);
        if (!until.isEmpty()) {
            reportResult(QStringLiteral("greeting-%1").arg(rows),
                         QStringLiteral("Start-up to greeting on screen, %1 rows (baseline: "
                                        "page loaded)")
                             .arg(counted),
                         median(programMs), median(baselineMs), QStringLiteral("ms"),
                         count == 10000 ? QStringLiteral("1.10") : QStringLiteral("-"));
            continue;
        }
        const QString goal = count == 0 || count == 10000 ? QStringLiteral("1.05")
                             : count == 1000000           ? QStringLiteral("1.20")
                                                          : QStringLiteral("-");
        reportResult(QStringLiteral("startup-%1").arg(rows),
                     QStringLiteral("Start-up to SMS page loaded, %1 rows").arg(counted),
                     median(programMs), median(baselineMs), QStringLiteral("ms"), goal);
        if (count == 100000) {
            reportResult(
                QStringLiteral("memory"),
                QStringLiteral("Peak memory after start-up, %1 rows, own process").arg(counted),
                median(programKiB) / 1024, median(baselineKiB) / 1024, QStringLiteral("MiB"),
                QStringLiteral("1.10"));
            reportResult(QStringLiteral("memory-helpers"),
                         QStringLiteral("Peak memory after start-up, %1 rows, with the "
                                        "browser's helper processes")
                             .arg(counted),
                         median(programAllKiB) / 1024, median(baselineAllKiB) / 1024,
                         QStringLiteral("MiB"), QStringLiteral("1.10"));
        }
    }
    return 0;
}
