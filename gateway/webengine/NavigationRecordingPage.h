#pragma once

#include "BrowserHost.h"

#include <QWebEnginePage>

#include <memory>

// A page that announces every navigation of its top-level frame. It cancels
// only a form submission the program started that would go to another origin
// than the one the program expects. Its alert boxes are announced instead of
// shown: a gateway that answers with one is refusing, and the program says so
// in its own box. The page's console stays quiet unless SELVANTO_DEBUG_CONSOLE
// is set: a gateway's scripts may log what the user typed.
class NavigationRecordingPage : public QWebEnginePage
{
    Q_OBJECT

public:
    using QWebEnginePage::QWebEnginePage;

    // The next form submission, in any frame, is the program's own and must
    // go to this origin; an empty origin expects none.
    void expectSubmissionTo(const QString& origin) { *m_submissionOrigin = origin; }
    // The expected origin, for a script's answer that may come while the
    // page is being destroyed: it has expired by then.
    std::weak_ptr<QString> expectedOrigin() const { return m_submissionOrigin; }

Q_SIGNALS:
    void navigationStarting(const QString& address, NavigationKind kind);
    void alertRaised(const QString& text);
    // The program's submission was cancelled; site is where it would have gone.
    void submissionRefused(const QString& site);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;

private:
    std::shared_ptr<QString> m_submissionOrigin = std::make_shared<QString>();
};
