#include "StrictText.h"

#include <QStringDecoder>

namespace stricttext {
namespace {

std::optional<QString> decode(const char* codec, QByteArrayView bytes)
{
    QStringDecoder decoder(codec, QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

std::optional<QString> utf8(QByteArrayView bytes)
{
    return decode("UTF-8", bytes);
}

std::optional<QString> big5(QByteArrayView bytes)
{
    // A lead byte cut off at the end is invalid too, which a stateless
    // decoder can miss.
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto byte = quint8(bytes[i]);
        if (byte < 0x80)
            ++i;
        else if (i + 1 < bytes.size())
            i += 2;
        else
            return std::nullopt;
    }
    return decode("windows-950", bytes);
}

std::optional<QString> named(QByteArrayView charset, QByteArrayView bytes)
{
    const QByteArray name = charset.toByteArray().toUpper();
    if (name == "UTF-8" || name == "UTF8")
        return utf8(bytes);
    if (name == "BIG5" || name == "BIG-5" || name == "CP950" || name == "WINDOWS-950" ||
        name == "BIG5-HKSCS")
        return big5(bytes);
    return decode(name.constData(), bytes);
}

} // namespace stricttext
