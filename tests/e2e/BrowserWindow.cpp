#include "BrowserWindow.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebEngineView>
#include <memory>
#include <optional>

BrowserWindow::BrowserWindow(const QString& exeDir, const QString& gatewayBase, int timeoutMs,
                             const FixedClock& clock, int pageTimeoutMs)
    : m_timeout(timeoutMs), m_clock(clock),
      m_view(qobject_cast<QWebEngineView*>(m_browser.widget())),
      m_form(FormServices{.exeDir = exeDir + QLatin1Char('/'),
                          .gatewayBase = gatewayBase,
                          .clock = &m_clock,
                          .dialogs = &m_dialogs,
                          .browser = &m_browser,
                          .pageTimeoutMs = pageTimeoutMs})
{}

void BrowserWindow::showAndWaitForPage()
{
    QSignalSpy loaded(&m_browser, &BrowserHost::documentComplete);
    m_form.show();
    QVERIFY(loaded.wait(m_timeout));
}

void BrowserWindow::load(const QString& address)
{
    QSignalSpy loaded(&m_browser, &BrowserHost::documentComplete);
    m_browser.navigate(address);
    QVERIFY(loaded.wait(m_timeout));
}

void BrowserWindow::waitForLoaded()
{
    QTRY_VERIFY_WITH_TIMEOUT(!m_view->page()->isLoading(), m_timeout);
}

void BrowserWindow::waitForTitle(const QString& title)
{
    QTRY_COMPARE_WITH_TIMEOUT(m_view->title(), title, m_timeout);
    // The title comes while the page is still being parsed; its forms are all
    // there once it has finished loading.
    waitForLoaded();
}

void BrowserWindow::settle()
{
    auto answered = std::make_shared<bool>(false);
    m_browser.runSteps({}, {}, [answered](const QString&) { *answered = true; });
    QTRY_VERIFY_WITH_TIMEOUT(*answered, m_timeout);
}

QVariant BrowserWindow::evaluate(const QString& script, quint32 world)
{
    auto result = std::make_shared<std::optional<QVariant>>();
    m_view->page()->runJavaScript(script, world,
                                  [result](const QVariant& value) { *result = value; });
    [&] { QTRY_VERIFY_WITH_TIMEOUT(result->has_value(), m_timeout); }();
    return result->value_or(QVariant());
}
