#include "NavigationRecordingPage.h"

namespace {

NavigationKind kindOf(QWebEnginePage::NavigationType type)
{
    switch (type) {
    case QWebEnginePage::NavigationTypeTyped:
        return NavigationKind::Program;
    case QWebEnginePage::NavigationTypeLinkClicked:
        return NavigationKind::LinkClicked;
    case QWebEnginePage::NavigationTypeFormSubmitted:
        return NavigationKind::FormSubmitted;
    case QWebEnginePage::NavigationTypeRedirect:
        return NavigationKind::Redirect;
    default:
        return NavigationKind::Other;
    }
}

} // namespace

bool NavigationRecordingPage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                                      bool isMainFrame)
{
    if (isMainFrame)
        Q_EMIT navigationStarting(url.toString(), kindOf(type));
    return true;
}

void NavigationRecordingPage::javaScriptAlert(const QUrl&, const QString& msg)
{
    Q_EMIT alertRaised(msg);
}

void NavigationRecordingPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                                       const QString& message, int lineNumber,
                                                       const QString& sourceID)
{
    if (qEnvironmentVariableIsSet("SELVANTO_DEBUG_CONSOLE"))
        QWebEnginePage::javaScriptConsoleMessage(level, message, lineNumber, sourceID);
}
