#pragma once

#include <QString>

// The gateway's addresses. The log-in check compares the browser's last
// address with the SMS page as exact text, so the base is kept in the form the
// browser announces addresses.
namespace GatewayAddress {

// The base address to use: SELVANTO_GATEWAY_URL when it is set and not empty,
// otherwise the built-in one; normalised.
QString configured(const QString& builtIn);

// Lower-case scheme and host, no default port, no trailing "/". Text that is
// not an absolute address with a host is returned trimmed but otherwise as is.
QString normalised(const QString& address);

// Whether the text is an address the program can use as the gateway's base:
// an absolute http or https address with a host, no query and no fragment.
bool isUsable(const QString& address);

// Scheme, host and port of an address, as a page's location.origin gives
// them: the host in its ASCII (punycode) form, no default port.
QString origin(const QString& address);
// Host and port of an address, the host in its ASCII form, as a page's
// location.host gives them; the address itself when it has no host.
QString site(const QString& address);

QString smsPage(const QString& base);
QString logoutPage(const QString& base);

} // namespace GatewayAddress
