#include "FakeBrowser.h"

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
}
