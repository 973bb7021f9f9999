#pragma once

#include "FixedClock.h"
#include "RecordingDialogs.h"
#include "Unit1.h"
#include "WebEngineHost.h"

#include <QVariant>

class QWebEngineView;

// The window on the real Qt WebEngine, with recorded message boxes and a
// fixed clock, and the bounded waits the end-to-end tests share. A wait that
// runs out is reported as a failure of the running test.
class BrowserWindow
{
public:
    // exeDir is the program's folder; every wait gives up after timeoutMs;
    // the window's own wait for a gateway page after pageTimeoutMs.
    BrowserWindow(const QString& exeDir, const QString& gatewayBase, int timeoutMs,
                  const FixedClock& clock = FixedClock(), int pageTimeoutMs = 30000);

    TForm1& form() { return m_form; }
    RecordingDialogs& dialogs() { return m_dialogs; }
    BrowserHost& browser() { return m_browser; }
    // Null when the host does not show its pages in a Qt WebEngine view.
    QWebEngineView* view() const { return m_view; }

    // Shows the window and waits for the page it opens on start-up.
    void showAndWaitForPage();
    void load(const QString& address);
    void waitForLoaded();
    void waitForTitle(const QString& title);
    // Runs an empty step list: every step list started before it has answered.
    void settle();
    QVariant evaluate(const QString& script, quint32 world);

private:
    int m_timeout;
    RecordingDialogs m_dialogs;
    FixedClock m_clock;
    WebEngineHost m_browser;
    QWebEngineView* m_view;
    TForm1 m_form;
};
