#include "CsvContacts.h"

#include "BirthdayText.h"
#include "ContactInput.h"
#include "Failure.h"
#include "PersonName.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <utility>

namespace csvcontacts {
namespace {

using namespace contactfields;
using textencoding::Decision;

// Far beyond any contact file's row; a file past them is not one, and
// reading on would only fill memory.
constexpr qsizetype mostFields = 4096;
constexpr qsizetype longestRow = 1 << 20;
constexpr qint64 pieceSize = 1 << 16;

struct Cell
{
    QString text;
    bool quoted = false;
};

struct Row
{
    QList<Cell> cells;
    int line = 0;
};

// The file's text, decoded a piece at a time.
class Text
{
public:
    Text(QIODevice& device, const Decision& decision)
        : m_device(device), m_decoder(textencoding::decoderFor(decision))
    {
        m_device.seek(decision.markSize);
    }

    // The next character, or nothing at the end of the file.
    std::optional<QChar> take()
    {
        if (m_pos == m_text.size() && !refill())
            return std::nullopt;
        return m_text[m_pos++];
    }
    bool nextIs(QChar c)
    {
        if (m_pos == m_text.size() && !refill())
            return false;
        return m_text[m_pos] == c;
    }
    void skip() { ++m_pos; }
    // Gives back the character just taken.
    void putBack() { --m_pos; }
    // The characters from here up to (not including) the first of the stops,
    // within what is decoded already.
    QStringView run(const QChar* stops, int count)
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size()) {
            const QChar c = m_text[m_pos];
            if (std::find(stops, stops + count, c) != stops + count)
                break;
            ++m_pos;
        }
        return QStringView(m_text).sliced(start, m_pos - start);
    }

private:
    bool refill()
    {
        while (true) {
            const QByteArray bytes = m_device.read(pieceSize);
            if (bytes.isEmpty()) {
                if (m_highSurrogate)
                    throw notText();
                return false;
            }
            m_text = m_decoder.decode(bytes);
            m_pos = 0;
            checkText();
            if (!m_text.isEmpty())
                return true;
        }
    }

    static Failure notText()
    {
        return Failure(
            QStringLiteral("檔案含有不是文字的字元（NUL 或不成對的 UTF-16），無法讀取。"));
    }

    // A NUL or a half of a surrogate pair (from UTF-16 bytes) is no text a
    // contact file holds; a pair may be split between two pieces.
    void checkText()
    {
        for (const QChar c : std::as_const(m_text)) {
            const bool broken = c.isNull() || (c.isLowSurrogate() != m_highSurrogate);
            m_highSurrogate = c.isHighSurrogate();
            if (broken)
                throw notText();
        }
    }

    QIODevice& m_device;
    QStringDecoder m_decoder;
    QString m_text;
    qsizetype m_pos = 0;
    bool m_highSurrogate = false;
};

class Parser
{
public:
    Parser(QIODevice& device, const Decision& decision, QChar separator)
        : m_text(device, decision), m_separator(separator)
    {
        m_stops = {separator, QLatin1Char('"'), QLatin1Char('\r'), QLatin1Char('\n')};
    }

    std::optional<Row> next()
    {
        Row row{{}, m_line};
        Cell cell;
        bool inQuotes = false;
        bool started = false;
        int quoteLine = 0;
        qsizetype rowSize = 0;
        auto endCell = [&] {
            if (row.cells.size() == mostFields) {
                throw Failure(QStringLiteral("第 %1 行有超過 %2 欄，不像聯絡人檔案。")
                                  .arg(row.line)
                                  .arg(mostFields));
            }
            rowSize += cell.text.size();
            row.cells.append(std::move(cell));
            cell = Cell();
            started = false;
        };
        auto blank = [&] {
            return row.cells.size() == 1 && !row.cells.first().quoted &&
                   row.cells.first().text.isEmpty();
        };
        while (true) {
            if (rowSize + cell.text.size() > longestRow) {
                throw Failure(QStringLiteral("第 %1 行超過 %2 個字，不像聯絡人檔案。")
                                  .arg(row.line)
                                  .arg(longestRow));
            }
            const std::optional<QChar> next = m_text.take();
            if (!next) {
                if (inQuotes)
                    throw Failure(
                        QStringLiteral("第 %1 行的引號沒有結束，檔案可能不完整。").arg(quoteLine));
                if (!started && row.cells.isEmpty())
                    return std::nullopt;
                endCell();
                if (blank())
                    return std::nullopt;
                return row;
            }
            const QChar c = *next;
            if (inQuotes) {
                if (c == QLatin1Char('"')) {
                    if (m_text.nextIs(QLatin1Char('"'))) {
                        cell.text += c;
                        m_text.skip();
                    } else {
                        inQuotes = false;
                    }
                } else {
                    if (c == QLatin1Char('\n'))
                        ++m_line;
                    cell.text += c;
                }
            } else if (c == QLatin1Char('"') && !started) {
                inQuotes = true;
                cell.quoted = true;
                started = true;
                quoteLine = m_line;
            } else if (c == m_separator) {
                endCell();
            } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                if (c == QLatin1Char('\r') && m_text.nextIs(QLatin1Char('\n')))
                    m_text.skip();
                ++m_line;
                endCell();
                // A blank line is no row.
                if (!blank())
                    return row;
                row = Row{{}, m_line};
                rowSize = 0;
            } else if (c == QLatin1Char('"')) {
                // A quote inside an unquoted cell is text.
                cell.text += c;
            } else {
                // The plain run from this character on, in one piece.
                m_text.putBack();
                cell.text += m_text.run(m_stops.data(), int(m_stops.size()));
                started = true;
            }
        }
    }

private:
    Text m_text;
    QChar m_separator;
    std::array<QChar, 4> m_stops;
    int m_line = 1;
};

// The separator spreadsheets would guess from the first row: the most
// frequent of comma, semicolon and tab outside quotes; comma on a tie.
QChar guessSeparator(QIODevice& device, const Decision& decision)
{
    Text text(device, decision);
    int commas = 0;
    int semicolons = 0;
    int tabs = 0;
    bool inQuotes = false;
    for (qsizetype k = 0; k < longestRow; ++k) {
        const std::optional<QChar> c = text.take();
        if (!c || (!inQuotes && (*c == QLatin1Char('\r') || *c == QLatin1Char('\n'))))
            break;
        if (*c == QLatin1Char('"'))
            inQuotes = !inQuotes;
        else if (!inQuotes && *c == QLatin1Char(','))
            ++commas;
        else if (!inQuotes && *c == QLatin1Char(';'))
            ++semicolons;
        else if (!inQuotes && *c == QLatin1Char('\t'))
            ++tabs;
    }
    if (semicolons > commas && semicolons >= tabs)
        return QLatin1Char(';');
    if (tabs > commas && tabs > semicolons)
        return QLatin1Char('\t');
    return QLatin1Char(',');
}

QString normalised(const QString& header)
{
    return header.trimmed().toLower();
}

// Where each field is found in a row; -1 when not.
struct Columns
{
    int name = -1;
    int firstName = -1;
    int lastName = -1;
    int birthday = -1;
    int mobile = -1;
    // Google's pairs: the value columns whose type column says Mobile.
    QList<std::pair<int, int>> typedPhones;

    bool any() const
    {
        return name >= 0 || firstName >= 0 || lastName >= 0 || birthday >= 0 || mobile >= 0 ||
               !typedPhones.isEmpty();
    }
};

Columns matchHeader(const QList<Cell>& header)
{
    static const QStringList names = {"姓名", "名字", "name", "full name", "display name"};
    static const QStringList firstNames = {"first name", "given name", "名"};
    static const QStringList lastNames = {"last name", "family name", "姓"};
    static const QStringList birthdays = {"生日", "birthday", "出生日期"};
    static const QStringList mobiles = {"手機",         "手機號碼", "行動電話",
                                        "mobile phone", "mobile",   "cell phone"};
    static const QRegularExpression phoneType(QStringLiteral("^phone (\\d+) - type$"));
    Columns columns;
    QHash<QString, int> byName;
    for (int k = 0; k < header.size(); ++k)
        byName.insert(normalised(header[k].text), k);
    auto find = [&](const QStringList& candidates, int& column) {
        for (const QString& candidate : candidates) {
            if (column < 0 && byName.contains(candidate))
                column = byName.value(candidate);
        }
    };
    find(names, columns.name);
    find(firstNames, columns.firstName);
    find(lastNames, columns.lastName);
    find(birthdays, columns.birthday);
    find(mobiles, columns.mobile);
    for (int k = 0; k < header.size(); ++k) {
        const QRegularExpressionMatch match = phoneType.match(normalised(header[k].text));
        if (!match.hasMatch())
            continue;
        const QString value = QStringLiteral("phone %1 - value").arg(match.captured(1));
        if (byName.contains(value))
            columns.typedPhones.append({k, byName.value(value)});
    }
    return columns;
}

// What a spreadsheet would take for a formula, or an apostrophe that would
// otherwise be taken for the protecting one.
bool needsProtection(QStringView text)
{
    static const QString starts = QStringLiteral("=+-@\t\r'");
    return !text.isEmpty() && starts.contains(text.front());
}

std::optional<QString> field(const Row& row, int column)
{
    if (column < 0 || column >= row.cells.size())
        return std::nullopt;
    const Cell& cell = row.cells[column];
    if (cell.text.isEmpty() && !cell.quoted)
        return std::nullopt;
    if (cell.text.startsWith(QLatin1Char('\'')) &&
        needsProtection(QStringView(cell.text).sliced(1)))
        return cell.text.mid(1);
    return cell.text;
}

std::optional<QString> mobileOf(const Row& row, const Columns& columns)
{
    if (std::optional<QString> mobile = field(row, columns.mobile))
        return mobile;
    for (const auto& [typeColumn, valueColumn] : columns.typedPhones) {
        const std::optional<QString> type = field(row, typeColumn);
        if (!type || !type->contains(QLatin1String("mobile"), Qt::CaseInsensitive))
            continue;
        // Google puts several numbers of one type in one cell.
        if (std::optional<QString> value = field(row, valueColumn))
            return value->section(QStringLiteral(" ::: "), 0, 0).trimmed();
    }
    return std::nullopt;
}

// A date as spreadsheets write it with the day and the month first or second
// ("05/03/1985", "3/5/85", "05.03.1985"), and what it says about the order.
struct NumericDate
{
    int first = 0;
    int second = 0;
    int year = 0;
    bool dotted = false;

    // Whether the date names a real day read day first, or month first.
    bool realDayFirst() const { return birthdaytext::isRealMonthDay(second, first); }
    bool realMonthFirst() const { return birthdaytext::isRealMonthDay(first, second); }
    // Only one reading names a real day: the date itself tells the order.
    bool tellsOrder() const { return realDayFirst() != realMonthFirst(); }
    // Both readings name a real day, and not the same one.
    bool needsOrder() const { return realDayFirst() && realMonthFirst() && first != second; }
};

std::optional<NumericDate> numericDate(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{1,2})([/.])(\\d{1,2})\\2(\\d{4}|\\d{2})(?:[ T].*)?$"));
    // Most birthdays are no such date: spare them the expression.
    if (!text.contains(QLatin1Char('/')) && !text.contains(QLatin1Char('.')))
        return std::nullopt;
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return NumericDate{match.captured(1).toInt(), match.captured(3).toInt(),
                       match.captured(4).toInt(), match.captured(2) == QLatin1String(".")};
}

// The book's six digits for the day and month, or the text as it was when
// they are no real day (the import then reports it).
QString bookForm(const QString& text, int day, int month, int year)
{
    if (!birthdaytext::isRealMonthDay(month, day))
        return text;
    return QStringLiteral("%1%2%3")
        .arg(year % 100, 2, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'));
}

enum class DateOrder
{
    NotLookedAt,
    DayFirst,
    MonthFirst,
    Uncertain,
};

QString separatorName(QChar separator)
{
    if (separator == QLatin1Char(';'))
        return QStringLiteral("分號分隔");
    if (separator == QLatin1Char('\t'))
        return QStringLiteral("Tab 分隔");
    return QStringLiteral("逗號分隔");
}

bool isProtectedMobile(const std::optional<QString>& value)
{
    return value && contactinput::isMobileText(*value);
}

} // namespace

struct Reader::Private
{
    QIODevice& device;
    Decision decision;
    QChar separator;
    Parser parser;
    Columns columns;
    bool hasHeader = false;
    std::optional<Row> pending;
    DateOrder order = DateOrder::NotLookedAt;

    Private(QIODevice& file, const Decision& decided, QChar separatorFound)
        : device(file), decision(decided), separator(separatorFound),
          parser(file, decided, separatorFound)
    {}

    // The order the whole file's birthdays make certain: read once, when a
    // date first needs it, and the reading goes on where it was.
    DateOrder fileOrder()
    {
        if (order != DateOrder::NotLookedAt)
            return order;
        const qint64 resume = device.pos();
        Parser again(device, decision, separator);
        bool dayFirst = false;
        bool monthFirst = false;
        while (std::optional<Row> row = again.next()) {
            if (const std::optional<QString> text = field(*row, columns.birthday)) {
                if (const std::optional<NumericDate> date = numericDate(*text)) {
                    if (date->tellsOrder()) {
                        dayFirst = dayFirst || date->realDayFirst();
                        monthFirst = monthFirst || date->realMonthFirst();
                    }
                }
            }
        }
        device.seek(resume);
        order = dayFirst == monthFirst ? DateOrder::Uncertain
                                       : (dayFirst ? DateOrder::DayFirst : DateOrder::MonthFirst);
        return order;
    }

    // A day/month/year or month/day/year birthday in the book's form; a
    // remark when the order cannot be told.
    void readDate(ContactRecord& record)
    {
        std::optional<QString>& birthday = record.fields[Birthday];
        if (!birthday)
            return;
        const std::optional<NumericDate> date = numericDate(*birthday);
        if (!date)
            return;
        // A date that is no real day either way stays as it is: the import
        // reports it.
        bool dayFirst = date->realDayFirst();
        if (date->needsOrder() && !date->dotted) {
            const DateOrder found = fileOrder();
            if (found == DateOrder::Uncertain) {
                record.remark = QStringLiteral("%1：生日「%2」看不出是日/月/年還是月/日/年，"
                                               "匯入為空白")
                                    .arg(record.where, *birthday);
                birthday.reset();
                return;
            }
            dayFirst = found == DateOrder::DayFirst;
        }
        *birthday = dayFirst ? bookForm(*birthday, date->first, date->second, date->year)
                             : bookForm(*birthday, date->second, date->first, date->year);
    }
};

Reader::Reader(QIODevice& device, std::optional<textencoding::Encoding> encoding)
{
    const Decision decision = textencoding::decide(device, encoding);
    const QChar separator = guessSeparator(device, decision);
    d = std::make_unique<Private>(device, decision, separator);
    d->pending = d->parser.next();
    if (!d->pending)
        return;
    d->columns = matchHeader(d->pending->cells);
    d->hasHeader = d->columns.any();
    if (d->hasHeader) {
        d->pending = d->parser.next();
    } else {
        d->columns.name = Name;
        d->columns.birthday = Birthday;
        d->columns.mobile = Mobile;
    }
}

Reader::~Reader() = default;

std::optional<ContactRecord> Reader::next()
{
    std::optional<Row> row = std::move(d->pending);
    if (!row)
        return std::nullopt;
    d->pending = d->parser.next();
    const Columns& columns = d->columns;
    ContactRecord record;
    record.where = QStringLiteral("第 ") + QString::number(row->line) + QStringLiteral(" 行");
    record.fields[Name] = field(*row, columns.name);
    if (!record.fields[Name] && (columns.firstName >= 0 || columns.lastName >= 0)) {
        record.fields[Name] = personname::join(field(*row, columns.lastName).value_or(QString()),
                                               field(*row, columns.firstName).value_or(QString()));
        if (record.fields[Name]->isEmpty())
            record.fields[Name].reset();
    }
    record.fields[Birthday] = field(*row, columns.birthday);
    record.fields[Mobile] = mobileOf(*row, columns);
    d->readDate(record);
    return record;
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
    return QStringLiteral("CSV，%1，%2")
        .arg(textencoding::displayName(d->decision.encoding), separatorName(d->separator));
}

ContactRecords read(const QByteArray& bytes, std::optional<textencoding::Encoding> encoding)
{
    return readAllContacts<Reader>(bytes, encoding);
}

QByteArray write(const ContactRecords& records)
{
    QString text = QStringLiteral("姓名,生日,手機號碼\r\n");
    for (const ContactRecord& record : records) {
        for (int column = 0; column < count; ++column) {
            if (column > 0)
                text += QLatin1Char(',');
            const std::optional<QString>& given = record.fields[column];
            if (!given)
                continue;
            QString value = *given;
            if (needsProtection(value) && !(column == Mobile && isProtectedMobile(given)))
                value.prepend(QLatin1Char('\''));
            const bool quotes = value.isEmpty() || value.contains(QLatin1Char(',')) ||
                                value.contains(QLatin1Char('"')) ||
                                value.contains(QLatin1Char('\n')) ||
                                value.contains(QLatin1Char('\r')) || value.front().isSpace() ||
                                value.back().isSpace();
            if (quotes) {
                value.replace(QLatin1String("\""), QLatin1String("\"\""));
                text += QLatin1Char('"') + value + QLatin1Char('"');
            } else {
                text += value;
            }
        }
        text += QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace csvcontacts
