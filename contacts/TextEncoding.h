#pragma once

#include "Failure.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringDecoder>

#include <optional>

class QIODevice;

// The encodings contact files come in, and how a file's is decided: by its
// byte-order mark, else UTF-8 when every byte is valid UTF-8, else Big5 only
// when the text it gives looks like Big5 text. Anything else is not guessed:
// the caller is told the candidates and asks the user.
namespace textencoding {

enum class Encoding
{
    Utf8,
    Utf16,
    Big5,
    Cp1252,
};

// "UTF-8", "UTF-16", "Big5", "Windows-1252"
QString displayName(Encoding encoding);
// The --encoding values utf-8, big5, cp1252 and utf-16 (and a few aliases).
std::optional<Encoding> fromOption(QStringView option);
// "utf-8|big5|cp1252|utf-16"
QString optionList();

// The encoding a file's bytes could not be decided between.
class UnclearEncoding : public Failure
{
public:
    explicit UnclearEncoding(QList<Encoding> candidates);
    const QList<Encoding>& candidates() const { return m_candidates; }

private:
    QList<Encoding> m_candidates;
};

struct Decision
{
    Encoding encoding = Encoding::Utf8;
    // The byte-order mark's length, to be skipped.
    int markSize = 0;
    bool bigEndian = false;
};

// Judges bytes given in pieces, as they are read: strict UTF-8 validity;
// Big5 validity, private-use characters (user-defined codes, which Western
// bytes often fall on) and Chinese characters glued to Latin letters
// ("Fran蔞is"); Windows-1252's five undefined bytes; and a sample for ICU's
// detector.
class Detector
{
public:
    void add(QByteArrayView bytes);
    // Whether more bytes could still change the decision.
    bool needsMore() const { return m_utf8 || m_big5Valid || m_cp1252; }
    bool isUtf8() const { return m_utf8 && m_utf8Pending == 0; }
    // UTF-8, else Big5 when it looks right; throws UnclearEncoding otherwise.
    Decision decide() const;

private:
    void scanUtf8(QByteArrayView bytes);
    void scanBig5(QByteArrayView bytes);

    QByteArray m_sample;
    bool m_utf8 = true;
    int m_utf8Pending = 0;
    int m_utf8Low = 0x80;
    int m_utf8High = 0xBF;
    bool m_big5Valid = true;
    bool m_big5LooksRight = true;
    QByteArray m_big5Lead;
    bool m_cp1252 = true;
};

// Decides over the whole device, read in pieces from its start; a forced
// encoding only has its byte-order mark looked for. Throws UnclearEncoding.
// Leaves the device positioned anywhere.
Decision decide(QIODevice& device, std::optional<Encoding> forced = std::nullopt);
Decision decide(QByteArrayView bytes, std::optional<Encoding> forced = std::nullopt);

// A stateful decoder for the decided encoding, for text read in pieces.
QStringDecoder decoderFor(const Decision& decision);

} // namespace textencoding
