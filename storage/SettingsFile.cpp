#include "SettingsFile.h"

#include "AtomicFile.h"
#include "Failure.h"

#include <QDir>
#include <QFile>
#include <QStringList>

SettingsFile::SettingsFile(const QString& folder) : m_path(folder + fileName()) {}

QString SettingsFile::gatewayAddress() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return addressIn(file.readAll());
}

void SettingsFile::setGatewayAddress(const QString& address) const
{
    AtomicFile file(m_path, AtomicFile::Access::OwnerOnly);
    if (file.write(contentWith(address)) != AtomicFile::Status::Written) {
        throw Failure(QStringLiteral("無法儲存設定 %1：%2")
                          .arg(QDir::toNativeSeparators(m_path), file.errorString()));
    }
}

QString SettingsFile::addressIn(const QByteArray& bytes)
{
    bool inGateway = false;
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inGateway = line.sliced(1, line.size() - 2)
                            .trimmed()
                            .compare(QLatin1String("gateway"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inGateway && equals > 0 &&
            line.first(equals).trimmed().compare(QLatin1String("address"), Qt::CaseInsensitive) ==
                0)
            return line.sliced(equals + 1).trimmed();
    }
    return {};
}

QByteArray SettingsFile::contentWith(const QString& address)
{
    // A line break would start another line of the file: the address is one line.
    QString line = address;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return "[gateway]\naddress=" + line.trimmed().toUtf8() + '\n';
}
