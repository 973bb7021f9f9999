#include "DesktopServices.h"

#include "AccessReader.h"
#include "AppTitle.h"
#include "AutostartEntry.h"
#include "GatewayAddress.h"
#include "Guard.h"
#include "SettingsFile.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace {

// How the log-in autostart entry starts the program: by its name when that
// finds this very program on PATH (an installed one), else by its full path
// (a portable copy, or one installed off PATH).
QString programCommand(const DataFolder& folder)
{
    const QString program = QCoreApplication::applicationFilePath();
    const QString name = QFileInfo(program).fileName();
    if (!folder.isPortable()) {
        const QString onPath = QStandardPaths::findExecutable(name);
        if (!onPath.isEmpty() &&
            QFileInfo(onPath).canonicalFilePath() == QFileInfo(program).canonicalFilePath())
            return name;
    }
    return program;
}

} // namespace

DesktopServices::DesktopServices(const DataFolder& folder, const QStringList& arguments)
    : m_dialogs(applicationTitle(QCoreApplication::applicationFilePath()))
{
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    m_services.exeDir = folder.path();
    // A portable copy's folder is the program's own; only the user's is made.
    if (!folder.isPortable())
        runGuarded(m_dialogs, [&] { m_services.newDataFolder = folder.makeIfMissing(); });
    m_services.arguments = arguments;
    m_services.accessReader = accessreader::installedReader();

    // The environment's address wins over the saved one, and that over the build's.
    m_services.builtInGateway = GatewayAddress::normalised(QStringLiteral(SELVANTO_GATEWAY_URL));
    const QString saved = SettingsFile(folder.path()).gatewayAddress();
    m_services.gatewayBase = GatewayAddress::configured(
        GatewayAddress::isUsable(saved) ? saved : m_services.builtInGateway);
    m_services.gatewayFromEnvironment =
        !environment.value(QStringLiteral("SELVANTO_GATEWAY_URL")).isEmpty();

    m_services.autostartFolder = AutostartEntry::folderFor(environment);
    m_services.programCommand = programCommand(folder);
    m_services.openFolder = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    m_services.clock = &m_clock;
    m_services.dialogs = &m_dialogs;
    m_services.browser = &m_browser;
}
