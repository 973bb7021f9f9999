#include "CsvContacts.h"

#include "Failure.h"
#include "PersonName.h"
#include "StrictText.h"

#include <QRegularExpression>

namespace csvcontacts {
namespace {

using namespace contactfields;

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

QString decodeFile(const QByteArray& bytes)
{
    static const QByteArray bom("\xEF\xBB\xBF");
    if (bytes.startsWith(bom)) {
        if (std::optional<QString> text = stricttext::utf8(QByteArrayView(bytes).sliced(3)))
            return *text;
        throw Failure(QStringLiteral("檔案以 UTF-8 標記開頭，卻含有不是 UTF-8 的位元組。"));
    }
    if (std::optional<QString> text = stricttext::utf8(bytes))
        return *text;
    if (std::optional<QString> text = stricttext::big5(bytes))
        return *text;
    throw Failure(QStringLiteral("檔案的文字既不是 UTF-8 也不是 Big5，無法讀取。"));
}

QList<Row> parse(const QString& text)
{
    QList<Row> rows;
    Row row{{}, 1};
    Cell cell;
    int line = 1;
    bool inQuotes = false;
    bool cellStarted = false;
    auto endCell = [&] {
        row.cells.append(cell);
        cell = Cell();
        cellStarted = false;
    };
    auto endRow = [&] {
        endCell();
        // A blank line is no row.
        if (row.cells.size() > 1 || row.cells.first().quoted || !row.cells.first().text.isEmpty())
            rows.append(row);
        row = Row{{}, line};
    };
    int quoteLine = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    cell.text += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                cell.text += c;
            }
        } else if (c == QLatin1Char('"') && !cellStarted) {
            inQuotes = true;
            cell.quoted = true;
            cellStarted = true;
            quoteLine = line;
        } else if (c == QLatin1Char(',')) {
            endCell();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            ++line;
            endRow();
        } else {
            // The plain run up to the next special character in one piece.
            qsizetype end = i + 1;
            while (end < text.size() && text[end] != QLatin1Char(',') &&
                   text[end] != QLatin1Char('"') && text[end] != QLatin1Char('\r') &&
                   text[end] != QLatin1Char('\n'))
                ++end;
            cell.text += QStringView(text).sliced(i, end - i);
            cellStarted = true;
            i = end - 1;
        }
    }
    if (inQuotes) {
        throw Failure(QStringLiteral("第 %1 行的引號沒有結束，檔案可能不完整。").arg(quoteLine));
    }
    endRow();
    return rows;
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

std::optional<QString> field(const Row& row, int column)
{
    if (column < 0 || column >= row.cells.size())
        return std::nullopt;
    const Cell& cell = row.cells[column];
    if (cell.text.isEmpty() && !cell.quoted)
        return std::nullopt;
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

bool needsQuotes(const QString& text)
{
    return text.isEmpty() || text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
           text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
           text.front().isSpace() || text.back().isSpace();
}

} // namespace

ContactRecords read(const QByteArray& bytes)
{
    const QList<Row> rows = parse(decodeFile(bytes));
    ContactRecords records;
    if (rows.isEmpty())
        return records;
    records.reserve(rows.size());
    Columns columns = matchHeader(rows.first().cells);
    const bool hasHeader = columns.any();
    if (!hasHeader) {
        columns.name = Name;
        columns.birthday = Birthday;
        columns.mobile = Mobile;
    }
    for (qsizetype k = hasHeader ? 1 : 0; k < rows.size(); ++k) {
        const Row& row = rows[k];
        ContactRecord record;
        record.where = QStringLiteral("第 ") + QString::number(row.line) + QStringLiteral(" 行");
        record.fields[Name] = field(row, columns.name);
        if (!record.fields[Name] && (columns.firstName >= 0 || columns.lastName >= 0)) {
            record.fields[Name] =
                personname::join(field(row, columns.lastName).value_or(QString()),
                                 field(row, columns.firstName).value_or(QString()));
            if (record.fields[Name]->isEmpty())
                record.fields[Name].reset();
        }
        record.fields[Birthday] = field(row, columns.birthday);
        record.fields[Mobile] = mobileOf(row, columns);
        records.append(record);
    }
    return records;
}

QByteArray write(const ContactRecords& records)
{
    QString text = QStringLiteral("姓名,生日,手機號碼\r\n");
    for (const ContactRecord& record : records) {
        for (int column = 0; column < count; ++column) {
            if (column > 0)
                text += QLatin1Char(',');
            const std::optional<QString>& value = record.fields[column];
            if (!value)
                continue;
            if (needsQuotes(*value)) {
                QString quoted = *value;
                quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
                text += QLatin1Char('"') + quoted + QLatin1Char('"');
            } else {
                text += *value;
            }
        }
        text += QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace csvcontacts
