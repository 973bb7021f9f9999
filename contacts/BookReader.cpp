#include "BookReader.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace bookreader {

void waitUntil(const std::function<bool()>& ready)
{
    if (!QCoreApplication::instance())
        return;
    while (!ready())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
}

void wake()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            application, [] {}, Qt::QueuedConnection);
}

} // namespace bookreader
