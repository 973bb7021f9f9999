// Code page conversion: decoding any bytes never fails, and the checks that
// guard every file write (canEncode, firstUnencodable, isSingleByte) agree
// with what encode() really produces.

#include "AnsiText.h"
#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>

namespace {

// The first byte chooses how the rest becomes text: decoded from the code
// page (valid and broken Big5 alike), or taken as UTF-16 code units (any
// character, lone surrogate halves included).
QString textFromInput(const uint8_t* data, size_t size)
{
    if (data[0] % 2 == 0)
        return ansi::decode(
            QByteArrayView(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1));
    return utf16FromBytes(data + 1, size - 1);
}

bool roundTrips(QStringView text)
{
    return ansi::decode(ansi::encode(text)) == text;
}

void checkDecode(QByteArrayView bytes)
{
    const QString text = ansi::decode(bytes);
    // Every byte yields at most one UTF-16 unit in this code page.
    fuzzCheck(text.size() <= bytes.size(), "decode: more units than bytes", text);
    // The bytes up to a line break decode on their own to the same text, as
    // the profile file relies on when it splits lines before decoding.
    const qsizetype lf = bytes.indexOf('\n');
    if (lf >= 0) {
        const QString head = ansi::decode(bytes.first(lf));
        fuzzCheck(text.startsWith(head + QLatin1Char('\n')), "decode: line break not a boundary",
                  text);
    }
}

void checkEncodability(const QString& text)
{
    const qsizetype bad = ansi::firstUnencodable(text);
    fuzzCheck(ansi::canEncode(text) == (bad < 0), "canEncode disagrees with firstUnencodable",
              text);
    if (bad < 0) {
        fuzzCheck(roundTrips(text), "encodable text does not round-trip", text);
    } else {
        fuzzCheck(bad < text.size(), "firstUnencodable out of range", text);
        fuzzCheck(!(text[bad].isLowSurrogate() && bad > 0 && text[bad - 1].isHighSurrogate()),
                  "firstUnencodable inside a surrogate pair", text);
        // Everything before it can be stored; the character itself cannot.
        const QStringView before = QStringView(text).first(bad);
        fuzzCheck(roundTrips(before), "text before firstUnencodable does not round-trip", text);
        const qsizetype length =
            text[bad].isHighSurrogate() && bad + 1 < text.size() && text[bad + 1].isLowSurrogate()
                ? 2
                : 1;
        fuzzCheck(!roundTrips(QStringView(text).sliced(bad, length)),
                  "character named by firstUnencodable round-trips", text);
        fuzzCheck(!ansi::describeCharacter(text, bad).isEmpty(), "empty character description",
                  text);
    }

    const bool singleByte = bad < 0 && ansi::encode(text).size() == text.size();
    fuzzCheck(ansi::isSingleByte(text) == singleByte, "isSingleByte disagrees with encode", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    checkDecode(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    checkEncodability(textFromInput(data, size));
    return 0;
}
