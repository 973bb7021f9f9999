#include "VCardContacts.h"

#include "BirthdayText.h"
#include "Failure.h"
#include "PersonName.h"
#include "StrictText.h"

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

QList<QByteArray> physicalLines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            lines << bytes.mid(start, i - start);
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < bytes.size())
        lines << bytes.mid(start);
    return lines;
}

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

bool isQuotedPrintable(const QByteArray& line)
{
    const qsizetype colon = line.indexOf(':');
    return colon > 0 && line.left(colon).toUpper().contains(qpName);
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

QString decodeText(const Property& property, const QByteArray& bytes)
{
    const QList<QByteArray> charsets = property.parameter("CHARSET");
    const QByteArray charset = charsets.isEmpty() ? QByteArray("UTF-8") : charsets.first();
    if (std::optional<QString> text = stricttext::named(charset, bytes))
        return *text;
    throw Failure(QStringLiteral("vCard 第 %1 行的文字不是有效的 %2。")
                      .arg(property.line)
                      .arg(QString::fromLatin1(charset)));
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

QString textValue(const Property& property)
{
    QByteArray bytes = property.value;
    const QList<QByteArray> encodings = property.parameter("ENCODING");
    if (encodings.contains(qpName) || property.parameter("TYPE").contains(qpName))
        bytes = decodeQuotedPrintable(bytes);
    return decodeText(property, bytes);
}

struct Card
{
    QList<Property> properties;
    int line = 0;
    int number = 0;
};

QList<Card> cards(const QByteArray& bytes)
{
    QList<Card> result;
    std::optional<Card> card;
    bool version21 = false;
    QByteArray logical;
    int logicalLine = 0;
    auto finishLine = [&] {
        if (logical.trimmed().isEmpty())
            return;
        Property property = parseLine(logical, logicalLine);
        const QString value = QString::fromLatin1(property.value).trimmed();
        if (property.name == "BEGIN" &&
            value.compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0) {
            if (card) {
                throw Failure(
                    QStringLiteral("vCard 第 %1 行開始的名片沒有 END:VCARD，檔案可能不完整。")
                        .arg(card->line));
            }
            card = Card{{}, logicalLine, int(result.size()) + 1};
            version21 = false;
        } else if (!card) {
            throw Failure(QStringLiteral("vCard 第 %1 行不在任何名片 (BEGIN:VCARD) 之內，"
                                         "這不是 vCard 檔或檔案已損壞。")
                              .arg(logicalLine));
        } else if (property.name == "END") {
            result.append(*card);
            card.reset();
        } else {
            if (property.name == "VERSION")
                version21 = value == QLatin1String("2.1");
            card->properties.append(property);
        }
    };
    const QList<QByteArray> lines = physicalLines(bytes);
    for (int k = 0; k < lines.size(); ++k) {
        const QByteArray& line = lines[k];
        const bool continues = !line.isEmpty() && (line[0] == ' ' || line[0] == '\t');
        const bool softBreak = isQuotedPrintable(logical) && logical.endsWith('=');
        if (softBreak) {
            logical.chop(1);
            logical += line;
        } else if (continues && !logical.isEmpty()) {
            // 3.0 and 4.0 drop the one blank that marks the fold; 2.1 keeps it.
            logical += version21 ? line : line.mid(1);
        } else {
            finishLine();
            logical = line;
            logicalLine = k + 1;
        }
    }
    finishLine();
    if (card) {
        throw Failure(QStringLiteral("vCard 第 %1 行開始的名片沒有 END:VCARD，檔案可能不完整。")
                          .arg(card->line));
    }
    if (result.isEmpty())
        throw Failure(QStringLiteral("檔案裡沒有任何 vCard 名片 (BEGIN:VCARD)。"));
    return result;
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

} // namespace

ContactRecords read(const QByteArray& bytes)
{
    ContactRecords records;
    for (const Card& card : cards(bytes))
        records.append(toRecord(card));
    return records;
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
