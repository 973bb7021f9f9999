#include "NavigationRecordingPage.h"

#include "GatewayAddress.h"

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
    // The page's own scripts may change where a form goes while it is being
    // submitted (in its submit event), after the program checked the target.
    if (type == NavigationTypeFormSubmitted && !m_submissionOrigin->isEmpty()) {
        const QString expected = std::exchange(*m_submissionOrigin, QString());
        if (GatewayAddress::origin(url.toString()) != expected) {
            Q_EMIT submissionRefused(GatewayAddress::site(url.toString()));
            return false;
        }
    }
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
