#include "GatewayAddress.h"

#include <QUrl>

namespace GatewayAddress {

QString configured(const QString& builtIn)
{
    const QString fromEnvironment = qEnvironmentVariable("SELVANTO_GATEWAY_URL");
    return normalised(fromEnvironment.isEmpty() ? builtIn : fromEnvironment);
}

QString normalised(const QString& address)
{
    const QString trimmed = address.trimmed();
    QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return trimmed;
    url.setScheme(url.scheme().toLower());
    url.setHost(url.host().toLower());
    const int defaultPort = url.scheme() == QLatin1String("http")    ? 80
                            : url.scheme() == QLatin1String("https") ? 443
                                                                     : -1;
    if (url.port() == defaultPort)
        url.setPort(-1);
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path);
    return url.toString();
}

bool isUsable(const QString& address)
{
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && !url.hasQuery() && !url.hasFragment() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QString site(const QString& address)
{
    const QUrl url(normalised(address));
    if (url.host().isEmpty())
        return address;
    // The ASCII (punycode) form: a look-alike name in another script shows as
    // what it is. An IPv6 address keeps its brackets.
    QString host = url.host(QUrl::EncodeUnicode);
    if (host.contains(QLatin1Char(':')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return url.port() == -1 ? host : host + QLatin1Char(':') + QString::number(url.port());
}

QString origin(const QString& address)
{
    const QUrl url(normalised(address));
    if (url.host().isEmpty())
        return url
            .adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                      QUrl::RemoveUserInfo)
            .toString();
    return url.scheme() + QStringLiteral("://") + site(address);
}

QString smsPage(const QString& base)
{
    return base + QStringLiteral("/front_end/sms");
}

QString logoutPage(const QString& base)
{
    return base + QStringLiteral("/front_end/Logout");
}

} // namespace GatewayAddress
