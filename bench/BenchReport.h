#pragma once

#include <QByteArray>
#include <QFile>
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
