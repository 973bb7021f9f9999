#include "WebEngineHost.h"

#include "DomRunner.h"
#include "NavigationRecordingPage.h"

#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <algorithm>

WebEngineHost::WebEngineHost(QObject* parent) : BrowserHost(parent)
{
    m_view = new QWebEngineView;
    m_view->setObjectName(QStringLiteral("WebBrowser1"));
    m_page = new NavigationRecordingPage(m_view);
    m_view->setPage(m_page);
    connect(m_page, &NavigationRecordingPage::navigationStarting, this,
            [this](const QString& address, NavigationKind kind) {
                m_alerts.clear();
                Q_EMIT navigationStarting(address, kind);
            });
    connect(m_page, &NavigationRecordingPage::alertRaised, this,
            [this](const QString& text) { m_alerts << text; });
    connect(m_page, &NavigationRecordingPage::submissionRefused, this, [this](const QString& site) {
        Q_EMIT submissionRefused(DomRunner::foreignTargetText(site));
    });
    connect(m_page, &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) {
                if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
                    return;
                PageLoad load;
                load.address = info.url().toString();
                const bool httpError =
                    info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain &&
                    info.errorCode() >= 400;
                load.ok = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && !httpError;
                if (httpError)
                    load.error = QStringLiteral("HTTP %1").arg(info.errorCode());
                else if (!load.ok)
                    load.error = info.errorString().isEmpty() ? QStringLiteral("載入中斷")
                                                              : info.errorString();
                Q_EMIT documentComplete(load);
            });
}

WebEngineHost::~WebEngineHost()
{
    delete m_view.data();
}

QWidget* WebEngineHost::widget()
{
    return m_view;
}

void WebEngineHost::navigate(const QString& address)
{
    if (!m_view || !m_page)
        return;
    m_page->expectSubmissionTo({});
    m_view->load(QUrl(address));
}

bool WebEngineHost::submits(const DomSteps& steps)
{
    return std::any_of(steps.begin(), steps.end(), [](const DomStep& step) {
        return step.action == DomStep::Action::Click || step.action == DomStep::Action::Submit;
    });
}

void WebEngineHost::runSteps(const QString& gatewayOrigin, const DomSteps& steps,
                             std::function<void(const QString& failure)> done)
{
    if (!m_page)
        return;
    if (submits(steps))
        m_page->expectSubmissionTo(gatewayOrigin);
    // The application world shares the page's document but none of its scripts.
    m_page->runJavaScript(DomRunner::script(gatewayOrigin, steps),
                          QWebEngineScript::ApplicationWorld,
                          [expected = m_page->expectedOrigin(), steps,
                           done = std::move(done)](const QVariant& result) {
                              const QString failure = DomRunner::failureText(steps, result);
                              // Steps that stopped submit nothing the browser should check.
                              if (const std::shared_ptr<QString> origin = expected.lock();
                                  origin && !failure.isEmpty())
                                  origin->clear();
                              done(failure);
                          });
}

void WebEngineHost::readAnswer(std::function<void(const AnswerPage& page)> done)
{
    static const QString read = QStringLiteral(
        "(function () { try {"
        " const title = document.title.trim();"
        " const text = document.body ? document.body.innerText : '';"
        " const line = text.split('\\n').map((l) => l.trim())"
        "   .find((l) => l.length > 0 && l !== title) || '';"
        " const named = (n) => document.getElementsByName(n).length > 0;"
        " const msg = document.getElementById('InputMsg');"
        " return [document.title, line, named('fuid') && named('pwd'),"
        "   !!msg && typeof msg.value === 'string' && msg.value.length > 0, named('auth_code')];"
        " } catch (e) { return ['', '', false, false, false]; } })()");
    if (!m_page)
        return;
    m_page->runJavaScript(read, QWebEngineScript::ApplicationWorld,
                          [alerts = m_alerts, done = std::move(done)](const QVariant& result) {
                              const QVariantList parts = result.toList();
                              AnswerPage page;
                              page.title = parts.value(0).toString();
                              page.firstLine = parts.value(1).toString();
                              page.hasLogInForm = parts.value(2).toBool();
                              page.hasFilledSendForm = parts.value(3).toBool();
                              page.hasVerifyForm = parts.value(4).toBool();
                              page.alerts = alerts;
                              done(page);
                          });
}
