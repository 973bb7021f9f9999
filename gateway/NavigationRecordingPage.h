#pragma once

#include <QWebEnginePage>

// A page that announces every navigation it is asked to start and never
// cancels one.
class NavigationRecordingPage : public QWebEnginePage
{
    Q_OBJECT

public:
    using QWebEnginePage::QWebEnginePage;

Q_SIGNALS:
    void navigationStarting(const QString& address);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
};
