#include "VCardContacts.h"

#include "BirthdayText.h"
#include "Failure.h"
#include "PersonName.h"
#include "StrictText.h"

#include <QIODevice>
#include <QStringDecoder>

#include <utility>

namespace vcardcontacts {
namespace {

using namespace contactfields;

// One property: its name without group, its parameters (bare 2.1 ones as
// TYPE), its raw value bytes, and the line it starts on.
struct Property
{
    QByteArray name;
    QList<std::pair<QByteArray, QByteArray>> parameters;
    QByteArray value;
    int line = 0;

    QList<QByteArray> parameter(const QByteArray& wanted) const
    {
        QList<QByteArray> values;
        for (const auto& [key, value] : parameters) {
            if (key == wanted) {
                for (const QByteArray& part : value.split(','))
                    values << part.trimmed().toUpper();
            }
        }
        return values;
    }
};

const QByteArray qpName("QUOTED-PRINTABLE");

// Splits at the separator outside double quotes.
QList<QByteArray> splitOutsideQuotes(const QByteArray& text, char separator)
{
    QList<QByteArray> parts;
    QByteArray part;
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (c == separator && !quoted) {
            parts << part;
            part.clear();
            continue;
        }
        part += c;
    }
    parts << part;
    return parts;
}

Property parseLine(const QByteArray& line, int number)
{
    Property property;
    property.line = number;
    qsizetype colon = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon < 0)
        throw Failure(QStringLiteral("vCard 第 %1 行看不懂：沒有冒號。").arg(number));
    const QList<QByteArray> head = splitOutsideQuotes(line.left(colon), ';');
    property.name = head.first().trimmed().toUpper();
    // Group prefix: item1.TEL
    if (const qsizetype dot = property.name.lastIndexOf('.'); dot >= 0)
        property.name = property.name.mid(dot + 1);
    for (qsizetype k = 1; k < head.size(); ++k) {
        const QByteArray& parameter = head[k];
        const qsizetype equals = parameter.indexOf('=');
        if (equals < 0) {
            property.parameters.append({"TYPE", parameter.trimmed()});
        } else {
            QByteArray value = parameter.mid(equals + 1).trimmed();
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.mid(1, value.size() - 2);
            property.parameters.append({parameter.left(equals).trimmed().toUpper(), value});
        }
    }
    property.value = line.mid(colon + 1);
    return property;
}

QByteArray decodeQuotedPrintable(const QByteArray& text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size()) {
            bool ok = false;
            const int value = text.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                bytes += char(value);
                i += 2;
                continue;
            }
        }
        bytes += text[i];
    }
    return bytes;
}

// The value's text components split at unescaped ';', escapes resolved.
QStringList components(const QString& value)
{
    QStringList parts(1);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value[++i];
            parts.last() += (next == QLatin1Char('n') || next == QLatin1Char('N'))
                                ? QChar(QLatin1Char('\n'))
                                : next;
        } else if (c == QLatin1Char(';')) {
            parts << QString();
        } else {
            parts.last() += c;
        }
    }
    return parts;
}

bool isMobile(const Property& tel)
{
    for (const QByteArray& type : tel.parameter("TYPE")) {
        if (type == "CELL" || type == "MOBILE" || type == "IPHONE")
            return true;
    }
    return false;
}

bool isPreferred(const Property& tel)
{
    return tel.parameter("TYPE").contains("PREF") || !tel.parameter("PREF").isEmpty();
}

QString escaped(QString text)
{
    text.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    text.replace(QLatin1String(","), QLatin1String("\\,"));
    text.replace(QLatin1String(";"), QLatin1String("\\;"));
    text.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
    text.replace(QLatin1String("\n"), QLatin1String("\\n"));
    return text;
}

// A content line folded after 75 bytes, never inside a UTF-8 sequence.
QByteArray folded(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    QByteArray result;
    int width = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const bool continuation = (quint8(bytes[i]) & 0xC0) == 0x80;
        if (width >= 74 && !continuation) {
            result += "\r\n ";
            width = 1;
        }
        result += bytes[i];
        ++width;
    }
    return result + "\r\n";
}

// Far beyond any contact's line or card; a file past them is not a contact
// file, and reading on would only fill memory.
constexpr qsizetype longestLine = 1 << 20;
constexpr qsizetype mostProperties = 10000;
constexpr qint64 pieceSize = 1 << 16;

// Where the text starts, and whether it is UTF-16 (read as UTF-8).
struct Source
{
    qint64 start = 0;
    std::optional<QStringDecoder::Encoding> utf16;
};

Source sourceOf(QIODevice& device, std::optional<textencoding::Encoding> encoding)
{
    device.seek(0);
    const QByteArray head = device.peek(3);
    if (head.startsWith("\xFF\xFE"))
        return {2, QStringDecoder::Utf16LE};
    if (head.startsWith("\xFE\xFF"))
        return {2, QStringDecoder::Utf16BE};
    if (head.startsWith("\xEF\xBB\xBF"))
        return {3, std::nullopt};
    if (encoding == textencoding::Encoding::Utf16)
        return {0, QStringDecoder::Utf16LE};
    return {};
}

// The file's physical lines, read a piece at a time. A run of CR followed by
// an optional LF ends a line, and so does a lone LF: CR CR LF is what a file
// that went through a mail program twice has. A line is cut at longestLine.
class PhysicalLines
{
public:
    PhysicalLines(QIODevice& device, const Source& source) : m_device(device)
    {
        if (source.utf16)
            m_utf16.emplace(*source.utf16);
        m_device.seek(source.start);
    }

    std::optional<QByteArray> next()
    {
        QByteArray line;
        if (!available())
            return std::nullopt;
        while (available()) {
            const char* begin = m_buffer.constData() + m_pos;
            const char* end = m_buffer.constData() + m_buffer.size();
            const char* stop = begin;
            while (stop < end && *stop != '\r' && *stop != '\n')
                ++stop;
            if (line.size() < longestLine)
                line.append(begin, std::min<qsizetype>(stop - begin, longestLine - line.size()));
            m_pos += stop - begin;
            if (stop < end)
                break;
        }
        ++m_number;
        if (available() && m_buffer[m_pos] == '\r') {
            while (available() && m_buffer[m_pos] == '\r')
                ++m_pos;
            if (available() && m_buffer[m_pos] == '\n')
                ++m_pos;
        } else if (available()) {
            ++m_pos;
        }
        return line;
    }

    int number() const { return m_number; }

private:
    bool available()
    {
        while (m_pos == m_buffer.size()) {
            const QByteArray bytes = m_device.read(pieceSize);
            if (bytes.isEmpty())
                return false;
            m_buffer = m_utf16 ? QString(m_utf16->decode(bytes)).toUtf8() : bytes;
            m_pos = 0;
        }
        return true;
    }

    QIODevice& m_device;
    std::optional<QStringDecoder> m_utf16;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    int m_number = 0;
};

// The properties the contacts are read from (and the card structure); the
// values of all others are dropped as they are read.
bool isKept(const QByteArray& name)
{
    return name == "BEGIN" || name == "END" || name == "VERSION" || name == "FN" || name == "N" ||
           name == "BDAY" || name == "TEL";
}

QByteArray nameOf(const QByteArray& head)
{
    const qsizetype semicolon = head.indexOf(';');
    QByteArray name = (semicolon < 0 ? head : head.left(semicolon)).trimmed().toUpper();
    if (const qsizetype dot = name.lastIndexOf('.'); dot >= 0)
        name = name.mid(dot + 1);
    return name;
}

// The logical lines of the file as properties: folded lines joined, in time
// proportional to their length.
class Properties
{
public:
    Properties(QIODevice& device, const Source& source) : m_lines(device, source) {}

    std::optional<Property> next()
    {
        while (true) {
            std::optional<QByteArray> first = take();
            if (!first)
                return std::nullopt;
            if (first->trimmed().isEmpty())
                continue;
            if (std::optional<Property> property = assemble(std::move(*first)))
                return property;
        }
    }

private:
    std::optional<QByteArray> take()
    {
        if (m_held)
            return std::exchange(m_held, std::nullopt);
        return m_lines.next();
    }

    std::optional<Property> assemble(QByteArray logical)
    {
        const int number = m_lines.number();
        qsizetype colon = -1;
        qsizetype searched = 0;
        bool quoted = false;
        bool kept = true;
        bool quotedPrintable = false;
        bool base64 = false;
        // Finds the colon in what was appended since the last look.
        auto findColon = [&] {
            for (; colon < 0 && searched < logical.size(); ++searched) {
                if (logical[searched] == '"') {
                    quoted = !quoted;
                } else if (logical[searched] == ':' && !quoted) {
                    colon = searched;
                    const QByteArray head = logical.left(colon).toUpper();
                    kept = isKept(nameOf(head));
                    quotedPrintable = head.contains(qpName);
                    base64 = head.contains("BASE64") || head.contains("ENCODING=B;") ||
                             head.endsWith("ENCODING=B");
                    if (!kept)
                        logical.truncate(colon + 1);
                }
            }
        };
        auto append = [&](QByteArrayView part) {
            if (colon >= 0 && !kept)
                return;
            logical += part;
            if (logical.size() > longestLine)
                throw Failure(QStringLiteral("vCard 第 %1 行太長，不像聯絡人資料。").arg(number));
            findColon();
        };
        findColon();
        while (std::optional<QByteArray> line = take()) {
            const bool continues = !line->isEmpty() && (line->at(0) == ' ' || line->at(0) == '\t');
            if (colon >= 0 && quotedPrintable && logical.endsWith('=')) {
                logical.chop(1);
                append(*line);
            } else if (continues) {
                // 3.0 and 4.0 drop the one blank that marks the fold; 2.1 keeps it.
                append(m_version21 ? QByteArrayView(*line) : QByteArrayView(*line).sliced(1));
            } else if (line->trimmed().isEmpty()) {
                // A blank line ends a 2.1 base64 value; elsewhere it is nothing.
                if (base64)
                    break;
            } else if (colon >= 0 && base64 && m_version21 && !line->contains(':')) {
                append(*line);
            } else {
                m_held = std::move(line);
                break;
            }
        }
        if (colon < 0)
            throw Failure(QStringLiteral("vCard 第 %1 行看不懂：沒有冒號。").arg(number));
        if (!kept)
            return std::nullopt;
        Property property = parseLine(logical, number);
        const QByteArray value = property.value.trimmed();
        if (property.name == "BEGIN")
            m_version21 = false;
        else if (property.name == "VERSION")
            m_version21 = value == "2.1";
        return property;
    }

    PhysicalLines m_lines;
    std::optional<QByteArray> m_held;
    bool m_version21 = false;
};

struct Card
{
    QList<Property> properties;
    int line = 0;
    int number = 0;
};

bool isQuotedPrintable(const Property& property)
{
    return property.parameter("ENCODING").contains(qpName) ||
           property.parameter("TYPE").contains(qpName);
}

QByteArray transferDecoded(const Property& property)
{
    return isQuotedPrintable(property) ? decodeQuotedPrintable(property.value) : property.value;
}

} // namespace

struct Reader::Private
{
    QIODevice& device;
    std::optional<textencoding::Encoding> forced;
    Source source;
    Properties properties;
    std::optional<textencoding::Encoding> fileEncoding;
    int cards = 0;

    Private(QIODevice& file, std::optional<textencoding::Encoding> encoding)
        : device(file), forced(encoding), source(sourceOf(file, encoding)), properties(file, source)
    {}

    // The encoding of the text without CHARSET that is not UTF-8, decided
    // over all such text of the file the first time it is needed; the
    // reading goes on where it was.
    textencoding::Encoding encodingOfUnmarkedText()
    {
        if (fileEncoding)
            return *fileEncoding;
        const qint64 resume = device.pos();
        Properties again(device, source);
        textencoding::Detector detector;
        while (std::optional<Property> property = again.next()) {
            if (property->parameter("CHARSET").isEmpty() && property->name != "BEGIN" &&
                property->name != "END" && property->name != "VERSION") {
                detector.add(transferDecoded(*property));
                detector.add("\n");
            }
        }
        device.seek(resume);
        fileEncoding = detector.decide().encoding;
        return *fileEncoding;
    }

    QString decodeText(const Property& property, const QByteArray& bytes)
    {
        // A UTF-16 file is read as UTF-8 whatever its properties claim.
        const QList<QByteArray> charsets =
            source.utf16 ? QList<QByteArray>() : property.parameter("CHARSET");
        QByteArray charset = charsets.isEmpty() ? QByteArray("UTF-8") : charsets.first();
        if (charsets.isEmpty() && !source.utf16 && forced) {
            QStringDecoder decoder = textencoding::decoderFor({*forced});
            return decoder.decode(bytes);
        }
        if (charsets.isEmpty() && !source.utf16 && !stricttext::utf8(bytes))
            charset = textencoding::displayName(encodingOfUnmarkedText()).toLatin1();
        if (std::optional<QString> text = stricttext::named(charset, bytes))
            return *text;
        throw Failure(QStringLiteral("vCard 第 %1 行的文字不是有效的 %2。")
                          .arg(property.line)
                          .arg(QString::fromLatin1(charset)));
    }

    QString textValue(const Property& property)
    {
        return decodeText(property, transferDecoded(property));
    }

    QString telNumber(const Property& tel)
    {
        QString number = textValue(tel);
        if (number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
            number = number.mid(4);
        return components(number).join(QLatin1Char(';'));
    }

    ContactRecord toRecord(const Card& card)
    {
        ContactRecord record;
        record.where = QStringLiteral("第 %1 張名片 (第 %2 行)").arg(card.number).arg(card.line);
        std::optional<QString> fn;
        std::optional<QString> n;
        const Property* mobile = nullptr;
        int mobileRank = 0;
        for (const Property& property : card.properties) {
            if (property.name == "FN" && !fn) {
                fn = components(textValue(property)).join(QLatin1Char(';'));
            } else if (property.name == "N" && !n) {
                const QStringList parts = components(textValue(property));
                n = personname::join(parts.value(0), parts.value(1));
            } else if (property.name == "BDAY" && !record.fields[Birthday]) {
                record.fields[Birthday] = textValue(property).trimmed();
            } else if (property.name == "TEL") {
                // Better: a preferred mobile, a mobile, a preferred one, any.
                const int rank = (isMobile(property) ? 2 : 0) + (isPreferred(property) ? 1 : 0) + 1;
                if (rank > mobileRank) {
                    mobile = &property;
                    mobileRank = rank;
                }
            }
        }
        record.fields[Name] = fn && !fn->isEmpty() ? fn : (n && !n->isEmpty() ? n : fn);
        if (mobile)
            record.fields[Mobile] = telNumber(*mobile);
        return record;
    }
};

Reader::Reader(QIODevice& device, std::optional<textencoding::Encoding> encoding)
    : d(std::make_unique<Private>(device, encoding))
{}

Reader::~Reader() = default;

std::optional<ContactRecord> Reader::next()
{
    std::optional<Card> card;
    while (std::optional<Property> property = d->properties.next()) {
        const QString value = QString::fromLatin1(property->value).trimmed();
        if (property->name == "BEGIN" &&
            value.compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0) {
            if (card) {
                throw Failure(
                    QStringLiteral("vCard 第 %1 行開始的名片沒有 END:VCARD，檔案可能不完整。")
                        .arg(card->line));
            }
            card = Card{{}, property->line, ++d->cards};
        } else if (!card) {
            throw Failure(QStringLiteral("vCard 第 %1 行不在任何名片 (BEGIN:VCARD) 之內，"
                                         "這不是 vCard 檔或檔案已損壞。")
                              .arg(property->line));
        } else if (property->name == "END") {
            return d->toRecord(*card);
        } else if (card->properties.size() == mostProperties) {
            throw Failure(QStringLiteral("vCard 第 %1 行開始的名片有超過 %2 個欄位，"
                                         "不像聯絡人資料。")
                              .arg(card->line)
                              .arg(mostProperties));
        } else {
            card->properties.append(std::move(*property));
        }
    }
    if (card) {
        throw Failure(QStringLiteral("vCard 第 %1 行開始的名片沒有 END:VCARD，檔案可能不完整。")
                          .arg(card->line));
    }
    if (d->cards == 0)
        throw Failure(QStringLiteral("檔案裡沒有聯絡人：沒有任何 vCard 名片 (BEGIN:VCARD)。"));
    return std::nullopt;
}

qint64 Reader::position() const
{
    return d->device.pos();
}

qint64 Reader::size() const
{
    return d->device.size();
}

QString Reader::description() const
{
    textencoding::Encoding encoding = textencoding::Encoding::Utf8;
    if (d->source.utf16)
        encoding = textencoding::Encoding::Utf16;
    else if (d->forced)
        encoding = *d->forced;
    else if (d->fileEncoding)
        encoding = *d->fileEncoding;
    return QStringLiteral("vCard，%1").arg(textencoding::displayName(encoding));
}

ContactRecords read(const QByteArray& bytes, std::optional<textencoding::Encoding> encoding)
{
    return readAllContacts<Reader>(bytes, encoding);
}

QByteArray write(const ContactRecords& records, int thisYear)
{
    QByteArray file;
    for (const ContactRecord& record : records) {
        file += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        if (const auto& name = record.fields[Name])
            file += folded(QStringLiteral("FN:") + escaped(*name));
        if (const auto& mobile = record.fields[Mobile])
            file += folded(QStringLiteral("TEL;TYPE=CELL:") + escaped(*mobile));
        if (const auto& birthday = record.fields[Birthday]) {
            const std::optional<QString> date = birthdaytext::toVCardDate(*birthday, thisYear);
            if (date || birthday->isEmpty())
                file += folded(QStringLiteral("BDAY:") + date.value_or(QString()));
            else
                file += folded(QStringLiteral("BDAY;VALUE=text:") + escaped(*birthday));
        }
        file += "END:VCARD\r\n";
    }
    return file;
}

} // namespace vcardcontacts
