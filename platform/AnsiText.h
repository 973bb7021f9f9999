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

// Whether every byte sequence is a character of the code page.
bool isValid(QByteArrayView bytes);

// Whether every character of the text has a code in the code page.
bool canEncode(QStringView text);
// Index of the first character without a code, or -1. A surrogate pair counts
// as one character at the index of its high half.
qsizetype firstUnencodable(QStringView text);
// The character at the index and its code point, as in "「😀」(U+1F600)",
// for messages that name a character the code page cannot hold.
QString describeCharacter(QStringView text, qsizetype index);
// Whether every character has a code in the code page and that code is one
// byte. Fast enough to run on every key press: plain ASCII costs no
// conversion, anything else one encoding of the whole text.
bool isSingleByte(QStringView text);

} // namespace ansi
