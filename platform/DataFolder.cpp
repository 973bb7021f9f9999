#include "DataFolder.h"

#include "Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QStringList DataFolder::programFiles()
{
    return {QStringLiteral("contact.mdb"), QStringLiteral("account.ini"), QStringLiteral("sms.txt"),
            QStringLiteral("sendlog.db")};
}

DataFolder DataFolder::choose(const QString& exeDir, const QProcessEnvironment& environment)
{
    for (const QString& name : programFiles()) {
        if (QFileInfo::exists(exeDir + name))
            return DataFolder(exeDir, true);
    }
    // A relative XDG_DATA_HOME is ignored, as desktops ignore it.
    QString base = environment.value(QStringLiteral("XDG_DATA_HOME"));
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        QString home = environment.value(QStringLiteral("HOME"));
        if (home.isEmpty())
            home = QDir::homePath();
        base = home + QStringLiteral("/.local/share");
    }
    return DataFolder(QDir::cleanPath(base + QStringLiteral("/selvanto")) + QLatin1Char('/'),
                      false);
}

bool DataFolder::makeIfMissing() const
{
    if (QFileInfo(m_path).isDir())
        return false;
    const QString folder = QDir::cleanPath(m_path);
    if (!QDir().mkpath(folder) ||
        !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        throw Failure(QStringLiteral("無法建立資料夾 %1").arg(QDir::toNativeSeparators(folder)));
    }
    return true;
}
