#include "ExeDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString exeDirOf(const QString& executablePath)
{
    QString dir = QFileInfo(executablePath).absolutePath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString exeDir()
{
    return exeDirOf(QCoreApplication::applicationFilePath());
}
