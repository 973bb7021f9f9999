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
    // Records the steps and answers from the event loop, as the real browser
    // does: done, or the failure queued with failNextRun.
    void runSteps(const QString& gatewayOrigin, const DomSteps& steps,
                  std::function<void(const QString& failure)> done) override;
    void readAnswer(std::function<void(const AnswerPage& page)> done) override;

    const QStringList& navigations() const { return m_navigations; }
    const QList<DomSteps>& stepRuns() const { return m_stepRuns; }
    const QStringList& origins() const { return m_origins; }
    void failNextRun(const QString& failure) { m_nextFailure = failure; }
    // The page shown as the answer to every submission from now on.
    void setAnswer(const AnswerPage& page) { m_answer = page; }
    void setPageSummary(const QString& title, const QString& firstLine)
    {
        m_answer = AnswerPage{title, firstLine, {}, false, false, false};
    }
    // The next navigation is recorded, then fails with this text.
    void failNextNavigate(const QString& failure) { m_nextNavigateFailure = failure; }

    // Drive the program as the browser would.
    void announceNavigation(const QString& address, NavigationKind kind = NavigationKind::Program)
    {
        Q_EMIT navigationStarting(address, kind);
    }
    void completeDocument(const QString& address = {}, bool ok = true, const QString& error = {})
    {
        Q_EMIT documentComplete(PageLoad{ok, address, error});
    }
    // A page the program opened: announced and loaded.
    void loadPage(const QString& address, NavigationKind kind = NavigationKind::Program)
    {
        announceNavigation(address, kind);
        completeDocument(address);
    }

private:
    QPointer<QWidget> m_widget;
    QStringList m_navigations;
    QList<DomSteps> m_stepRuns;
    QStringList m_origins;
    QString m_nextFailure;
    AnswerPage m_answer;
    QString m_nextNavigateFailure;
};
