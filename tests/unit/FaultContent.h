#pragma once

#include <QString>

// The two contents the fault writer alternates between. Large, so that a
// write takes long enough for a kill to land in the middle of it.
inline QString faultText(int which)
{
    const QString line = which == 0 ? QStringLiteral("舊的簡訊 old message\r\n")
                                    : QStringLiteral("新的簡訊 new text\r\n");
    return line.repeated(which == 0 ? 40000 : 55000);
}

inline QString faultValue(int which)
{
    return QString(which == 0 ? 300000 : 450000, which == 0 ? QLatin1Char('o') : QLatin1Char('n'));
}
