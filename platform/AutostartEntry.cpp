#include "AutostartEntry.h"

#include "Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

// An Exec argument: quoted when it holds anything but plain characters, with
// the characters that stay special inside quotes escaped; then every
// backslash doubled, as the desktop entry's string rules ask, and "%" doubled,
// since it starts a field code.
QString execArgument(const QString& argument)
{
    static const QString plain =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._+-,:@");
    const bool quoted =
        argument.isEmpty() ||
        std::any_of(argument.begin(), argument.end(), [](QChar c) { return !plain.contains(c); });
    if (!quoted)
        return argument;
    QString escaped;
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

AutostartEntry::AutostartEntry(QString folder, QString program)
    : m_folder(std::move(folder)), m_program(std::move(program))
{}

QString AutostartEntry::folderFor(const QProcessEnvironment& environment)
{
    // A relative XDG_CONFIG_HOME is ignored, as desktops ignore it.
    QString base = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        QString home = environment.value(QStringLiteral("HOME"));
        if (home.isEmpty())
            home = QDir::homePath();
        base = home + QStringLiteral("/.config");
    }
    return QDir::cleanPath(base + QStringLiteral("/autostart")) + QLatin1Char('/');
}

bool AutostartEntry::exists() const
{
    return QFileInfo(path()).isFile();
}

QString AutostartEntry::content() const
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Selvanto (birthday check at log-in)\n"
                          "Name[zh_TW]=Selvanto（登入時檢查生日）\n"
                          "Comment=Opens Selvanto at log-in only on days when a contact has a "
                          "birthday\n"
                          "Comment[zh_TW]=只在有朋友生日的日子於登入時開啟 Selvanto\n"
                          "Exec=%1 --autostart\n"
                          "Icon=selvanto\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(m_program));
}

void AutostartEntry::write() const
{
    QSaveFile file(path());
    if (!QDir().mkpath(m_folder) || !file.open(QIODevice::WriteOnly) ||
        file.write(content().toUtf8()) < 0 || !file.commit()) {
        throw Failure(QStringLiteral("無法寫入登入時自動啟動的設定 %1：%2")
                          .arg(QDir::toNativeSeparators(path()), file.errorString()));
    }
}

void AutostartEntry::remove() const
{
    QFile file(path());
    if (file.exists() && !file.remove()) {
        throw Failure(QStringLiteral("無法刪除登入時自動啟動的設定 %1：%2")
                          .arg(QDir::toNativeSeparators(path()), file.errorString()));
    }
}
