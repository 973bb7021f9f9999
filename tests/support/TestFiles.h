#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Small file helpers for tests.
QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// The English first line of an error text; the advice in Chinese follows it.
QString firstLine(const QString& text);
QStringList firstLines(const QStringList& texts);
