#include "BirthdayScanTask.h"

#include "ContactStore.h"

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
    : m_result(std::async(std::launch::async, [path, today, lookBackDays] {
          // The connection is opened, used and closed on the worker thread.
          const ContactStore store(path);
          return BirthdayScan(today, daysBefore(today, lookBackDays)).run(store);
      }))
{}

BirthdayScanTask::~BirthdayScanTask()
{
    if (m_result.valid())
        m_result.wait();
}

BirthdayScan::Result BirthdayScanTask::take(const QList<QDate>& earlierDays)
{
    BirthdayScan::Result found = m_result.get();
    found.earlier.removeIf(
        [&](const Birthday& birthday) { return !earlierDays.contains(birthday.day); });
    return found;
}
