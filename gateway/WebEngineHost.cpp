#include "WebEngineHost.h"

#include "DomRunner.h"
#include "NavigationRecordingPage.h"

#include <QWebEngineScript>
#include <QWebEngineView>

WebEngineHost::WebEngineHost(QObject* parent) : BrowserHost(parent)
{
    m_view = new QWebEngineView;
    m_view->setObjectName(QStringLiteral("WebBrowser1"));
    m_page = new NavigationRecordingPage(m_view);
    m_view->setPage(m_page);
    connect(m_page, &NavigationRecordingPage::navigationStarting, this,
            &BrowserHost::navigationStarting);
    connect(m_page, &QWebEnginePage::loadFinished, this, [this] { Q_EMIT documentComplete(); });
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
    m_view->load(QUrl(address));
}

void WebEngineHost::runSteps(const DomSteps& steps,
                             std::function<void(const QString& failure)> done)
{
    // The application world shares the page's document but none of its scripts.
    m_page->runJavaScript(DomRunner::script(steps), QWebEngineScript::ApplicationWorld,
                          [steps, done = std::move(done)](const QVariant& result) {
                              done(DomRunner::failureText(steps, result));
                          });
}
