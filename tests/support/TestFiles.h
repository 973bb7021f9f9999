#pragma once

#include <QByteArray>
#include <QString>

// Small file helpers for tests.
QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
