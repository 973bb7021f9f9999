#include "MissedDays.h"

QList<QDate> missedDays(const std::optional<QDate>& lastStartup, const QDate& today, int maxDays)
{
    QList<QDate> days;
    if (!lastStartup || !today.isValid())
        return days;
    const QDate first = std::max(lastStartup->addDays(1), today.addDays(-maxDays));
    for (QDate day = first; day < today; day = day.addDays(1))
        days << day;
    return days;
}
