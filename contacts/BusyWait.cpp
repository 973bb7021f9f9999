#include "BusyWait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <sqlite3.h>

namespace {

// Short enough that no event waits noticeably.
constexpr int sliceMs = 10;

} // namespace

void BusyWait::install(sqlite3* connection)
{
    sqlite3_busy_handler(connection, &BusyWait::onBusy, this);
}

int BusyWait::onBusy(void* self, int attempts)
{
    return static_cast<BusyWait*>(self)->waitSlice(attempts) ? 1 : 0;
}

bool BusyWait::waitSlice(int attempts)
{
    if (m_immediate)
        return false;
    const qint64 now = QDeadlineTimer::current().deadline();
    if (attempts == 0)
        m_started = now;
    if (now - m_started >= m_timeoutMs)
        return false;
    QThread::msleep(sliceMs);
    return true;
}

void BusyWait::pause()
{
    const QCoreApplication* application = QCoreApplication::instance();
    if (!application || application->thread() != QThread::currentThread()) {
        QThread::msleep(sliceMs);
        return;
    }
    QEventLoop slice;
    QTimer::singleShot(sliceMs, &slice, &QEventLoop::quit);
    slice.exec(QEventLoop::ExcludeUserInputEvents);
}
