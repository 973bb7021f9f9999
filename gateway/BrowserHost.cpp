#include "BrowserHost.h"

BrowserHost::BrowserHost(QObject* parent) : QObject(parent)
{
    // Connected before anyone else can connect, so every receiver of the
    // announcement already sees the new address.
    connect(this, &BrowserHost::navigationStarting, this,
            [this](const QString& address) { m_lastUrl = address; });
}
