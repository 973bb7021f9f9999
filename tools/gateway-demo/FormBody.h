#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// The fields of an application/x-www-form-urlencoded body, as UTF-8 text:
// "+" is a space, %XX a byte. The first value of a name wins, as the browser
// sends one value per name.
QMap<QString, QString> parseFormBody(const QByteArray& body);
