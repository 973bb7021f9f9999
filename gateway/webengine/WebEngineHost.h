#pragma once

#include "BrowserHost.h"

#include <QPointer>

class QWebEngineView;
class NavigationRecordingPage;

// The browser host on Qt WebEngine.
class WebEngineHost : public BrowserHost
{
    Q_OBJECT

public:
    explicit WebEngineHost(QObject* parent = nullptr);
    ~WebEngineHost() override;

    QWidget* widget() override;
    void navigate(const QString& address) override;
    void runSteps(const QString& gatewayOrigin, const DomSteps& steps,
                  std::function<void(const QString& failure)> done) override;
    void readAnswer(std::function<void(const AnswerPage& page)> done) override;

private:
    static bool submits(const DomSteps& steps);

    // Both belong to the window once the view is placed in it, which may
    // delete them before this host.
    QPointer<QWebEngineView> m_view;
    QPointer<NavigationRecordingPage> m_page;
    // The alert boxes of the page loading or shown, never shown to the user:
    // they are part of the gateway's answer.
    QStringList m_alerts;
};
