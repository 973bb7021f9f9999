#include "DesktopServices.h"

#include "AppTitle.h"
#include "ExeDir.h"
#include "GatewayAddress.h"

#include <QCoreApplication>

DesktopServices::DesktopServices(const QStringList& arguments)
    : m_dialogs(applicationTitle(QCoreApplication::applicationFilePath()))
{
    m_services.exeDir = exeDir();
    m_services.arguments = arguments;
    m_services.gatewayBase = GatewayAddress::configured(QStringLiteral(SELVANTO_GATEWAY_URL));
    m_services.clock = &m_clock;
    m_services.dialogs = &m_dialogs;
    m_services.browser = &m_browser;
}
