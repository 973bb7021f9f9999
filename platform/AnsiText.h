#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Conversion between text and the ANSI code page: the system's on Windows,
// code page 950 (Microsoft's Big5 table) everywhere else, so files written by
// existing installations stay readable.
namespace ansi {

QByteArray encode(QStringView text);
// Invalid and truncated sequences become U+FFFD; never fails.
QString decode(QByteArrayView bytes);

// Whether every character of the text has a code in the code page.
bool canEncode(QStringView text);
// Index of the first character without a code, or -1. A surrogate pair counts
// as one character at the index of its high half.
qsizetype firstUnencodable(QStringView text);

} // namespace ansi
