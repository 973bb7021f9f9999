#include "MissedDays.h"

QList<QDate> missedDays(const std::optional<QDate>& firstStartup, const QDate& today, int maxDays)
{
    QList<QDate> days;
    if (!firstStartup || !today.isValid())
        return days;
    const QDate first = std::max(*firstStartup, today.addDays(-maxDays));
    for (QDate day = first; day < today; day = day.addDays(1))
        days << day;
    return days;
}
