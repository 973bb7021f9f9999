#include "BusyWait.h"

#include <QCoreApplication>
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
    if (attempts == 0)
        m_waited.start();
    if (m_waited.elapsed() >= m_timeoutMs)
        return false;
    const QCoreApplication* application = QCoreApplication::instance();
    // A read that a repaint starts during the wait waits plainly: the event
    // loop is not entered twice.
    if (!m_responsive || !application || application->thread() != QThread::currentThread() ||
        m_inEventLoop) {
        QThread::msleep(sliceMs);
        return true;
    }
    m_inEventLoop = true;
    QEventLoop slice;
    QTimer::singleShot(sliceMs, &slice, &QEventLoop::quit);
    slice.exec(QEventLoop::ExcludeUserInputEvents);
    m_inEventLoop = false;
    return true;
}
