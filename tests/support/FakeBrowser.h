#pragma once

#include "BrowserHost.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

// A scripted stand-in for the embedded browser: records what the program asks
// of it; the test announces navigations and completed documents itself.
class FakeBrowser : public BrowserHost
{
    Q_OBJECT

public:
    explicit FakeBrowser(QObject* parent = nullptr);
    ~FakeBrowser() override;

    QWidget* widget() override;
    void navigate(const QString& address) override;
    // Records the steps and answers at once: done, or the failure queued with failNextRun.
    void runSteps(const DomSteps& steps, std::function<void(const QString& failure)> done) override;

    const QStringList& navigations() const { return m_navigations; }
    const QList<DomSteps>& stepRuns() const { return m_stepRuns; }
    void failNextRun(const QString& failure) { m_nextFailure = failure; }
    // The next navigation is recorded, then fails with this text.
    void failNextNavigate(const QString& failure) { m_nextNavigateFailure = failure; }

    // Drive the program as the browser would.
    void announceNavigation(const QString& address) { Q_EMIT navigationStarting(address); }
    void completeDocument() { Q_EMIT documentComplete(); }

private:
    QPointer<QWidget> m_widget;
    QStringList m_navigations;
    QList<DomSteps> m_stepRuns;
    QString m_nextFailure;
    QString m_nextNavigateFailure;
};
