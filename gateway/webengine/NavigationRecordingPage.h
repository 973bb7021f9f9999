#pragma once

#include "BrowserHost.h"

#include <QWebEnginePage>

// A page that announces every navigation of its top-level frame and never
// cancels one. The page's console stays quiet unless SELVANTO_DEBUG_CONSOLE
// is set: a gateway's scripts may log what the user typed.
class NavigationRecordingPage : public QWebEnginePage
{
    Q_OBJECT

public:
    using QWebEnginePage::QWebEnginePage;

Q_SIGNALS:
    void navigationStarting(const QString& address, NavigationKind kind);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;
};
