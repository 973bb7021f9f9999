#include "NavigationRecordingPage.h"

bool NavigationRecordingPage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                                      bool isMainFrame)
{
    Q_UNUSED(type);
    Q_UNUSED(isMainFrame);
    Q_EMIT navigationStarting(url.toString());
    return true;
}
