#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdio>

// What a benchmarked process prints when it reaches its measuring point: the
// peak resident memory of the process so far, read from /proc.
inline long peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

inline void reportReady()
{
    std::printf("ready peak_rss_kib=%ld\n", peakResidentKiB());
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
