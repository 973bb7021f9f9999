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

    const QStringList& navigations() const { return m_navigations; }

    // Drive the program as the browser would.
    void announceNavigation(const QString& address) { Q_EMIT navigationStarting(address); }
    void completeDocument() { Q_EMIT documentComplete(); }

private:
    QPointer<QWidget> m_widget;
    QStringList m_navigations;
};
