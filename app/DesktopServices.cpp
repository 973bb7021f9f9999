#include "DesktopServices.h"

#include "AppTitle.h"
#include "ExeDir.h"
#include "GatewayAddress.h"

#include <QCoreApplication>

DesktopServices::DesktopServices()
    : m_dialogs(applicationTitle(QCoreApplication::applicationFilePath()))
{
    m_services.exeDir = exeDir();
    m_services.accessReader = m_services.exeDir + QStringLiteral("selvanto-access-reader");
    m_services.arguments = QCoreApplication::arguments().mid(1);
    m_services.gatewayBase = GatewayAddress::configured(QStringLiteral(SELVANTO_GATEWAY_URL));
    m_services.clock = &m_clock;
    m_services.dialogs = &m_dialogs;
    m_services.browser = &m_browser;
}
