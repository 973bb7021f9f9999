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

void FakeBrowser::runSteps(const QString& gatewayOrigin, const DomSteps& steps,
                           std::function<void(const QString& failure)> done)
{
    m_stepRuns << steps;
    m_origins << gatewayOrigin;
    QMetaObject::invokeMethod(
        this,
        [done = std::move(done), failure = std::exchange(m_nextFailure, QString())] {
            done(failure);
        },
        Qt::QueuedConnection);
}

void FakeBrowser::readAnswer(std::function<void(const AnswerPage& page)> done)
{
    QMetaObject::invokeMethod(
        this, [this, done = std::move(done)] { done(m_answer); }, Qt::QueuedConnection);
}
