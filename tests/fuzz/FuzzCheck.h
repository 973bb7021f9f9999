#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdio>
#include <cstdlib>

// Stops the run with a message when a property does not hold, so that
// libFuzzer saves the input as a crash. The texts are printed with every
// character's code, since the inputs are mostly unreadable.
inline QByteArray fuzzShow(const QString& text)
{
    QByteArray shown = "\"";
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F && c != QLatin1Char('\\'))
            shown += char(c.unicode());
        else
            shown += "\\u" + QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
    }
    return shown + '"';
}

inline void fuzzCheck(bool holds, const char* property, const QString& detail = {})
{
    if (holds)
        return;
    std::fprintf(stderr, "property violated: %s\n%s\n", property, fuzzShow(detail).constData());
    std::abort();
}

// Little-endian UTF-16 code units, taken as they are (lone surrogate halves
// included); an odd last byte is dropped.
inline QString utf16FromBytes(const unsigned char* data, std::size_t size)
{
    QString text;
    text.reserve(qsizetype(size / 2));
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text += QChar(char16_t(data[i] | data[i + 1] << 8));
    return text;
}
