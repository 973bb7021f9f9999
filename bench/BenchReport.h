#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdio>

// What a benchmarked process prints when it reaches its measuring point: the
// peak resident memory of the process so far, read from /proc.
inline long peakResidentKiB(const QString& process = QStringLiteral("self"))
{
    QFile status(QStringLiteral("/proc/%1/status").arg(process));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// The same summed over this process and all its descendants (Qt WebEngine's
// zygote, renderer and utility processes), each at its own peak.
inline long peakResidentKiBWithHelpers()
{
    QHash<long, long> parentOf;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isProcess = false;
        const long pid = entry.toLong(&isProcess);
        if (!isProcess)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (name) state ppid ...: the name may hold spaces and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            parentOf.insert(pid, fields[1].toLong());
    }
    const long self = QCoreApplication::applicationPid();
    long total = 0;
    for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it) {
        long ancestor = it.key();
        while (ancestor > 1 && ancestor != self)
            ancestor = parentOf.value(ancestor, 0);
        if (ancestor == self)
            total += std::max(0L, peakResidentKiB(QString::number(it.key())));
    }
    return total;
}

inline void reportReady()
{
    std::printf("ready peak_rss_kib=%ld tree_peak_kib=%ld\n", peakResidentKiB(),
                peakResidentKiBWithHelpers());
    std::fflush(stdout);
}

inline double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// One row of the results table, read by scripts/bench:
//   result|name|what|program|baseline|unit|goal
// The goal is the highest program/baseline ratio allowed, or "-" for none.
inline void reportResult(const QString& name, const QString& what, double program, double baseline,
                         const QString& unit, const QString& goal)
{
    std::printf("result|%s|%s|%.3f|%.3f|%s|%s\n", qPrintable(name), qPrintable(what), program,
                baseline, qPrintable(unit), qPrintable(goal));
    std::fflush(stdout);
}
