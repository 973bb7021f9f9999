#include "BirthdayScanTask.h"

#include "ContactStore.h"

#include <QCoreApplication>
#include <QEventLoop>

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
{
    std::promise<BirthdayScan::Result> promise;
    m_result = promise.get_future();
    m_worker = std::thread([promise = std::move(promise), path, today, lookBackDays]() mutable {
        try {
            // The connection is opened, used and closed on this thread.
            const ContactStore store(path);
            promise.set_value(BirthdayScan(today, daysBefore(today, lookBackDays)).run(store));
        } catch (...) {
            promise.set_exception(std::current_exception());
        }
        // Wakes the waiting thread's event loop, the result being ready now.
        if (QCoreApplication* application = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                application, [] {}, Qt::QueuedConnection);
    });
}

BirthdayScanTask::~BirthdayScanTask()
{
    m_worker.join();
}

BirthdayScan::Result BirthdayScanTask::take(const QList<QDate>& earlierDays)
{
    if (QCoreApplication::instance()) {
        while (m_result.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                            QEventLoop::WaitForMoreEvents);
    }
    BirthdayScan::Result found = m_result.get();
    found.earlier.removeIf(
        [&](const Birthday& birthday) { return !earlierDays.contains(birthday.day); });
    return found;
}
