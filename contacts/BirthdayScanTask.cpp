#include "BirthdayScanTask.h"

#include "ContactDataset.h"

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
                         const ContactStore& store) {
          Outcome outcome;
          try {
              outcome.found = scan.run(store, &outcome.keys);
          } catch (...) {
              outcome.scanFailure = std::current_exception();
              // The keys alone are read from the table's own pages, which a
              // damaged record further on need not touch.
              try {
                  outcome.keys = ContactDataset::readKeys(store);
              } catch (...) {
                  outcome.keysFailure = std::current_exception();
              }
          }
          return outcome;
      })
{}

const BirthdayScanTask::Outcome& BirthdayScanTask::outcome()
{
    if (!m_outcome)
        m_outcome = m_reader.take();
    return *m_outcome;
}

QList<qint64> BirthdayScanTask::takeKeys()
{
    if (outcome().keysFailure)
        std::rethrow_exception(m_outcome->keysFailure);
    return std::exchange(m_outcome->keys, {});
}

BirthdayScan::Result BirthdayScanTask::take(const QList<QDate>& earlierDays)
{
    if (outcome().scanFailure)
        std::rethrow_exception(m_outcome->scanFailure);
    BirthdayScan::Result found = std::exchange(m_outcome->found, {});
    found.earlier.removeIf(
        [&](const Birthday& birthday) { return !earlierDays.contains(birthday.day); });
    return found;
}
