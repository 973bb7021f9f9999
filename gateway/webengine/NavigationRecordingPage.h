#pragma once

#include "BrowserHost.h"

#include <QWebEnginePage>

// A page that announces every navigation of its top-level frame and never
// cancels one. Its alert boxes are announced instead of shown: a gateway
// that answers with one is refusing, and the program says so in its own box. The page's console
// stays quiet unless SELVANTO_DEBUG_CONSOLE is set: a gateway's scripts may log what the user
// typed.
class NavigationRecordingPage : public QWebEnginePage
{
    Q_OBJECT

public:
    using QWebEnginePage::QWebEnginePage;

Q_SIGNALS:
    void navigationStarting(const QString& address, NavigationKind kind);
    void alertRaised(const QString& text);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;
};
