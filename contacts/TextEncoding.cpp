#include "TextEncoding.h"

#include <QBuffer>
#include <QIODevice>

#include <unicode/ucsdet.h>

#include <memory>

namespace textencoding {
namespace {

constexpr qint64 pieceSize = 1 << 16;
// Enough text for ICU's detector to tell Big5 from Western text.
constexpr qsizetype sampleSize = 1 << 20;

const QByteArray utf8Mark("\xEF\xBB\xBF");

struct DetectorCloser
{
    void operator()(UCharsetDetector* detector) const { ucsdet_close(detector); }
};

// Whether ICU's detector names Big5 among the charsets the bytes may be in.
bool detectorSaysBig5(const QByteArray& sample)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, DetectorCloser> detector(ucsdet_open(&status));
    if (U_FAILURE(status))
        return false;
    ucsdet_setText(detector.get(), sample.constData(), int32_t(sample.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status))
        return false;
    for (int32_t k = 0; k < count; ++k) {
        if (qstrcmp(ucsdet_getName(matches[k], &status), "Big5") == 0)
            return true;
    }
    return false;
}

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

} // namespace

void Detector::add(QByteArrayView bytes)
{
    if (m_sample.size() < sampleSize)
        m_sample += bytes.first(std::min<qsizetype>(bytes.size(), sampleSize - m_sample.size()));
    // No contact file in any of these encodings holds a NUL byte.
    if (bytes.contains('\0')) {
        m_utf8 = m_big5Valid = m_cp1252 = false;
        return;
    }
    scanUtf8(bytes);
    scanBig5(bytes);
    for (const char c : bytes) {
        const auto byte = quint8(c);
        if (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D)
            m_cp1252 = false;
    }
}

Decision Detector::decide() const
{
    if (isUtf8())
        return {Encoding::Utf8};
    const bool big5Valid = m_big5Valid && m_big5Lead.isEmpty();
    if (big5Valid && m_big5LooksRight && detectorSaysBig5(m_sample))
        return {Encoding::Big5};
    QList<Encoding> candidates;
    if (big5Valid)
        candidates << Encoding::Big5;
    if (m_cp1252)
        candidates << Encoding::Cp1252;
    throw UnclearEncoding(candidates);
}

void Detector::scanUtf8(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size() && m_utf8; ++i) {
        const auto byte = quint8(bytes[i]);
        if (m_utf8Pending > 0) {
            const bool inRange = byte >= m_utf8Low && byte <= m_utf8High;
            m_utf8Low = 0x80;
            m_utf8High = 0xBF;
            --m_utf8Pending;
            m_utf8 = inRange;
        } else if (byte < 0x80) {
            continue;
        } else if (byte >= 0xC2 && byte <= 0xDF) {
            m_utf8Pending = 1;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            m_utf8Pending = 2;
            m_utf8Low = byte == 0xE0 ? 0xA0 : 0x80;
            m_utf8High = byte == 0xED ? 0x9F : 0xBF;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            m_utf8Pending = 3;
            m_utf8Low = byte == 0xF0 ? 0x90 : 0x80;
            m_utf8High = byte == 0xF4 ? 0x8F : 0xBF;
        } else {
            m_utf8 = false;
        }
    }
}

void Detector::scanBig5(QByteArrayView bytes)
{
    if (!m_big5Valid)
        return;
    QByteArray piece = m_big5Lead + bytes.toByteArray();
    m_big5Lead.clear();
    bool highBytes = false;
    qsizetype i = 0;
    while (i < piece.size()) {
        const auto byte = quint8(piece[i]);
        if (byte < 0x80) {
            ++i;
            continue;
        }
        if (byte == 0x80 || byte == 0xFF) {
            m_big5Valid = false;
            return;
        }
        if (i + 1 == piece.size()) {
            m_big5Lead = piece.sliced(i);
            piece.truncate(i);
            break;
        }
        const auto trail = quint8(piece[i + 1]);
        if (!((trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE))) {
            m_big5Valid = false;
            return;
        }
        i += 2;
        highBytes = true;
    }
    if (!highBytes)
        return;
    QStringDecoder decoder("windows-950", QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(piece);
    if (decoder.hasError()) {
        m_big5Valid = false;
        return;
    }
    for (qsizetype k = 0; k < text.size(); ++k) {
        const QChar c = text[k];
        if (c.unicode() < 0x80)
            continue;
        if (c == QChar::ReplacementCharacter) {
            m_big5Valid = false;
            return;
        }
        if (c.category() == QChar::Other_PrivateUse || (k > 0 && isAsciiLetter(text[k - 1])) ||
            (k + 1 < text.size() && isAsciiLetter(text[k + 1])))
            m_big5LooksRight = false;
    }
}

QString displayName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8:
        return QStringLiteral("UTF-8");
    case Encoding::Utf16:
        return QStringLiteral("UTF-16");
    case Encoding::Big5:
        return QStringLiteral("Big5");
    case Encoding::Cp1252:
        return QStringLiteral("Windows-1252");
    }
    return {};
}

std::optional<Encoding> fromOption(QStringView option)
{
    const QString name = option.toString().toLower();
    if (name == QLatin1String("utf-8") || name == QLatin1String("utf8"))
        return Encoding::Utf8;
    if (name == QLatin1String("utf-16") || name == QLatin1String("utf16"))
        return Encoding::Utf16;
    if (name == QLatin1String("big5") || name == QLatin1String("cp950"))
        return Encoding::Big5;
    if (name == QLatin1String("cp1252") || name == QLatin1String("windows-1252"))
        return Encoding::Cp1252;
    return std::nullopt;
}

QString optionList()
{
    return QStringLiteral("utf-8|big5|cp1252|utf-16");
}

namespace {

QString unclearText(const QList<Encoding>& candidates)
{
    if (candidates.isEmpty()) {
        return QStringLiteral("檔案的文字不是 UTF-8，也不像 Big5 或 Windows-1252，無法讀取。"
                              "若知道它的編碼，請用 --encoding %1 指定。")
            .arg(optionList());
    }
    QStringList names;
    for (const Encoding candidate : candidates)
        names << displayName(candidate);
    return QStringLiteral("無法確定檔案的編碼：它不是 UTF-8，可能是 %1。"
                          "請用 --encoding %2 指定。")
        .arg(names.join(QStringLiteral(" 或 ")), optionList());
}

} // namespace

UnclearEncoding::UnclearEncoding(QList<Encoding> candidates)
    : Failure(unclearText(candidates)), m_candidates(std::move(candidates))
{}

Decision decide(QIODevice& device, std::optional<Encoding> forced)
{
    device.seek(0);
    const QByteArray head = device.peek(3);
    Decision decision;
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
        if (!forced || forced == Encoding::Utf16)
            return {Encoding::Utf16, 2, head.startsWith('\xFE')};
    }
    if (forced) {
        decision.encoding = *forced;
        if (forced == Encoding::Utf8 && head.startsWith(utf8Mark))
            decision.markSize = 3;
        return decision;
    }
    const bool marked = head.startsWith(utf8Mark);
    if (marked)
        device.read(3);
    Detector scan;
    while (scan.needsMore()) {
        const QByteArray piece = device.read(pieceSize);
        if (piece.isEmpty())
            break;
        scan.add(piece);
    }
    if (marked) {
        if (!scan.isUtf8())
            throw Failure(QStringLiteral("檔案以 UTF-8 標記開頭，卻含有不是 UTF-8 的位元組。"));
        return {Encoding::Utf8, 3};
    }
    return scan.decide();
}

Decision decide(QByteArrayView bytes, std::optional<Encoding> forced)
{
    QByteArray copy = bytes.toByteArray();
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return decide(buffer, forced);
}

QStringDecoder decoderFor(const Decision& decision)
{
    switch (decision.encoding) {
    case Encoding::Utf8:
        return QStringDecoder(QStringDecoder::Utf8);
    case Encoding::Utf16:
        return QStringDecoder(decision.bigEndian ? QStringDecoder::Utf16BE
                                                 : QStringDecoder::Utf16LE);
    case Encoding::Big5:
        return QStringDecoder("windows-950");
    case Encoding::Cp1252:
        return QStringDecoder("windows-1252");
    }
    return QStringDecoder(QStringDecoder::Utf8);
}

} // namespace textencoding
