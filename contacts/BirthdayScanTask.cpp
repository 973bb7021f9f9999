#include "BirthdayScanTask.h"

namespace {

QList<QDate> daysBefore(const QDate& today, int count)
{
    QList<QDate> days;
    for (int back = 1; back <= count; ++back)
        days << today.addDays(-back);
    return days;
}

} // namespace

BirthdayScanTask::BirthdayScanTask(const QString& path, const QDate& today, int lookBackDays)
    : m_reader(path, [scan = BirthdayScan(today, daysBefore(today, lookBackDays))](
                         const ContactStore& store) { return scan.run(store); })
{}

BirthdayScan::Result BirthdayScanTask::take(const QList<QDate>& earlierDays)
{
    BirthdayScan::Result found = m_reader.take();
    found.earlier.removeIf(
        [&](const Birthday& birthday) { return !earlierDays.contains(birthday.day); });
    return found;
}
