#include "FakeBrowser.h"

#include "Failure.h"

#include <utility>

FakeBrowser::FakeBrowser(QObject* parent) : BrowserHost(parent), m_widget(new QWidget) {}

FakeBrowser::~FakeBrowser()
{
    delete m_widget.data();
}

QWidget* FakeBrowser::widget()
{
    return m_widget;
}

void FakeBrowser::navigate(const QString& address)
{
    m_navigations << address;
    if (!m_nextNavigateFailure.isEmpty())
        throw Failure(std::exchange(m_nextNavigateFailure, QString()));
}

void FakeBrowser::runSteps(const DomSteps& steps, std::function<void(const QString& failure)> done)
{
    m_stepRuns << steps;
    done(std::exchange(m_nextFailure, QString()));
}
