#include "AnsiText.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <memory>
#include <stdexcept>

#ifndef Q_OS_WIN
#include <unicode/ucnv.h>
#endif

namespace ansi {
namespace {

#ifdef Q_OS_WIN
constexpr auto codePage = QStringConverter::System;
#else
constexpr const char* codePage = "windows-950";
#endif

QStringEncoder makeEncoder(QStringConverter::Flags flags)
{
    QStringEncoder encoder(codePage, flags);
    Q_ASSERT_X(encoder.isValid(), "ansi",
               "code page 950 converter missing (Qt built without ICU?)");
    return encoder;
}

qsizetype characterLength(QStringView text, qsizetype i)
{
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return 2;
    return 1;
}

} // namespace

QByteArray encode(QStringView text)
{
    QStringEncoder encoder = makeEncoder(QStringConverter::Flag::Default);
    return encoder.encode(text);
}

QString decode(QByteArrayView bytes)
{
#ifdef Q_OS_WIN
    QStringDecoder decoder(codePage);
    return decoder.decode(bytes);
#else
    // ICU directly, so a sequence cut short at the end of the bytes is flushed
    // as a replacement character instead of being held back for more input.
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open(codePage, &status),
                                                                 &ucnv_close);
    if (U_FAILURE(status))
        throw std::runtime_error("code page 950 converter missing");
    QString text(bytes.size(), Qt::Uninitialized);
    const int32_t length =
        ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()), int32_t(text.size()),
                      bytes.data(), int32_t(bytes.size()), &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        throw std::runtime_error("code page 950 conversion failed");
    text.truncate(length);
    return text;
#endif
}

qsizetype firstUnencodable(QStringView text)
{
    if (decode(encode(text)) == text)
        return -1;
    // Encoding one character at a time keeps the answer exact: a character
    // without a code comes back as "?" (or fails) while "?" itself round-trips.
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = characterLength(text, i);
        const QStringView character = text.mid(i, length);
        QStringEncoder encoder = makeEncoder(QStringConverter::Flag::Stateless);
        const QByteArray bytes = encoder.encode(character);
        if (encoder.hasError() || decode(bytes) != character)
            return i;
        i += length;
    }
    return -1;
}

QString describeCharacter(QStringView text, qsizetype index)
{
    const QStringView character = text.mid(index, characterLength(text, index));
    const char32_t code = character.size() == 2 ? QChar::surrogateToUcs4(character[0], character[1])
                                                : character[0].unicode();
    const QString codeText =
        QStringLiteral("U+%1").arg(QString::number(code, 16).toUpper(), 4, QLatin1Char('0'));
    // Half of a surrogate pair cannot be shown; its code alone names it.
    if (character[0].isSurrogate() && character.size() == 1)
        return QStringLiteral("(%1)").arg(codeText);
    return QStringLiteral("「%1」(%2)").arg(character.toString(), codeText);
}

bool isSingleByte(QStringView text)
{
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        return true;
    QStringEncoder encoder = makeEncoder(QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    // Equal lengths with no error still leave a fallback mapping possible
    // (a character written as a look-alike byte): the round trip rules it out.
    return !encoder.hasError() && bytes.size() == text.size() && decode(bytes) == text;
}

bool isValid(QByteArrayView bytes)
{
    // The code page has no code for U+FFFD: one in the text marks a byte
    // sequence the decoder could not read.
    return !decode(bytes).contains(QChar::ReplacementCharacter);
}

bool canEncode(QStringView text)
{
    return firstUnencodable(text) < 0;
}

} // namespace ansi
