#include "ProfileFile.h"

#include "AnsiText.h"
#include "Failure.h"
#include "FileModes.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// One line of the file as it stands: its bytes and the line end after them
// (empty for a last line without one).
struct RawLine
{
    QByteArray content;
    QByteArray end;
};

struct ParsedLine
{
    enum Kind
    {
        Other,
        Section,
        Entry
    } kind = Other;
    QString name;  // the section's name or the entry's key
    QString value; // the entry's value as written
};

const QByteArray crlf = QByteArrayLiteral("\r\n");

bool isBlank(QChar c)
{
    return c.unicode() <= 0x20;
}

QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// CR and LF are never the second byte of a double-byte character in the
// code page, so the lines can be split on the bytes themselves.
std::vector<RawLine> splitLines(const QByteArray& bytes)
{
    std::vector<RawLine> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        const qsizetype endLength =
            bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n' ? 2 : 1;
        lines.push_back({bytes.sliced(start, i - start), bytes.sliced(i, endLength)});
        i += endLength - 1;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.push_back({bytes.sliced(start), {}});
    return lines;
}

QByteArray joinLines(const std::vector<RawLine>& lines)
{
    QByteArray bytes;
    for (const RawLine& line : lines)
        bytes += line.content + line.end;
    return bytes;
}

ParsedLine parseLine(const QByteArray& content)
{
    const QString decoded = ansi::decode(content);
    const QStringView line = trimBlanks(decoded);
    ParsedLine parsed;
    if (line.isEmpty() || line.front() == QLatin1Char(';'))
        return parsed;
    if (line.front() == QLatin1Char('[')) {
        const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
        if (close > 0) {
            parsed.kind = ParsedLine::Section;
            parsed.name = trimBlanks(line.sliced(1, close - 1)).toString();
            return parsed;
        }
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return parsed;
    parsed.kind = ParsedLine::Entry;
    parsed.name = trimBlanks(line.first(equals)).toString();
    parsed.value = trimBlanks(line.sliced(equals + 1)).toString();
    return parsed;
}

// The lines after the header of the first section with the given name, up to
// the next header: [first, last).
struct SectionRange
{
    std::size_t first;
    std::size_t last;
};

std::optional<SectionRange> findSection(const std::vector<RawLine>& lines,
                                        const std::vector<ParsedLine>& parsed, QStringView section)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (parsed[i].kind != ParsedLine::Section || !sameName(parsed[i].name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines.size() && parsed[end].kind != ParsedLine::Section)
            ++end;
        return SectionRange{i + 1, end};
    }
    return std::nullopt;
}

std::vector<ParsedLine> parseAll(const std::vector<RawLine>& lines)
{
    std::vector<ParsedLine> parsed;
    parsed.reserve(lines.size());
    for (const RawLine& line : lines)
        parsed.push_back(parseLine(line.content));
    return parsed;
}

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

bool isQuoted(QStringView value)
{
    return value.size() >= 2 && isQuote(value.front()) && value.back() == value.front();
}

QString unquoted(const QString& value)
{
    return isQuoted(value) ? value.sliced(1, value.size() - 2) : value;
}

// A value that reading would change (enclosing quotation marks dropped,
// blanks at its ends dropped) goes inside one more pair of double quotation
// marks, so that reading it back gives exactly the value written.
QString storedValue(QStringView value)
{
    const bool changedByReading =
        isQuoted(value) || (!value.isEmpty() && (isBlank(value.front()) || isBlank(value.back())));
    if (!changedByReading)
        return value.toString();
    return QLatin1Char('"') + value.toString() + QLatin1Char('"');
}

bool holdsLineBreak(QStringView text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

QByteArray encodeOrRefuse(const QString& path, QStringView text)
{
    const qsizetype bad = ansi::firstUnencodable(text);
    if (bad >= 0)
        throw Failure(QStringLiteral("無法寫入 %1：字元%2無法以 Big5 編碼儲存")
                          .arg(path, ansi::describeCharacter(text, bad)));
    return ansi::encode(text);
}

// Refuses what could not be read back as written: a line break would split
// the line, and a key with "=", a leading "[" or ";" or blanks at its ends
// would be read as another key or not as an entry at all.
void checkStorable(const QString& path, QStringView section, QStringView key, QStringView value)
{
    if (holdsLineBreak(section) || holdsLineBreak(key) || holdsLineBreak(value))
        throw Failure(QStringLiteral("無法寫入 %1：名稱或內容含有換行字元").arg(path));
    const bool keyReadsBack =
        !key.contains(QLatin1Char('=')) && trimBlanks(key).size() == key.size() &&
        (key.isEmpty() || (key.front() != QLatin1Char('[') && key.front() != QLatin1Char(';')));
    if (!keyReadsBack)
        throw Failure(QStringLiteral("無法寫入 %1：名稱「%2」含有「=」、以「[」或「;」開頭，"
                                     "或前後有空白，存入後無法原樣讀回")
                          .arg(path, key.toString()));
    const bool sectionReadsBack =
        !section.contains(QLatin1Char(']')) && trimBlanks(section).size() == section.size();
    if (!sectionReadsBack)
        throw Failure(QStringLiteral("無法寫入 %1：區段名稱「%2」無法原樣讀回")
                          .arg(path, section.toString()));
}

const QByteArray utf8Mark = QByteArrayLiteral("\xEF\xBB\xBF");
const QByteArray utf16LeMark = QByteArrayLiteral("\xFF\xFE");
const QByteArray utf16BeMark = QByteArrayLiteral("\xFE\xFF");

QString unableToWrite(const QString& path)
{
    return QStringLiteral("Unable to write to %1\n"
                          "無法寫入這個檔案，檔案內容未變更。請確認程式資料夾與這個檔案可以寫入"
                          "（檔案不是唯讀），磁碟也還有空間。")
        .arg(path);
}

// Reading a file that cannot be read gives empty text, as a missing one does;
// so does another user's link, which is never followed.
QByteArray readRawFile(const QString& path)
{
    QFile file(path);
    if (fileModes::isForeignLink(path) || !file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray readFile(const QString& path)
{
    return ProfileFile::ansiContent(readRawFile(path));
}

// A write rewrites the whole file, so a file that exists but cannot be read
// must not be taken for an empty one: that would drop everything in it.
QByteArray readFileForEdit(const QString& path)
{
    QFile file(path);
    if (!file.exists() || fileModes::isForeignLink(path))
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(unableToWrite(path));
    return ProfileFile::ansiContent(file.readAll());
}

} // namespace

ProfileFile::ProfileFile(QString path, AtomicFile::Access access)
    : m_path(std::move(path)), m_access(access)
{}

QList<std::pair<QString, QString>> ProfileFile::readEntries(QStringView section) const
{
    const std::vector<RawLine> lines = splitLines(readFile(m_path));
    const std::vector<ParsedLine> parsed = parseAll(lines);
    const std::optional<SectionRange> range = findSection(lines, parsed, section);
    QList<std::pair<QString, QString>> entries;
    if (!range)
        return entries;
    // Keys compared by their case-folded text, so that a section of many
    // thousand keys is read in one pass.
    QSet<QString> seen;
    for (std::size_t i = range->first; i < range->last; ++i) {
        if (parsed[i].kind != ParsedLine::Entry)
            continue;
        const QString folded = parsed[i].name.toCaseFolded();
        if (seen.contains(folded))
            continue;
        seen.insert(folded);
        entries.append({parsed[i].name, unquoted(parsed[i].value)});
    }
    return entries;
}

// A file saved by an editor as Unicode is read as far as the code page can
// hold its text, so its entries are not lost to the byte-order mark.
QByteArray ProfileFile::ansiContent(const QByteArray& bytes)
{
    const auto reencoded = [&](QStringConverter::Encoding encoding, qsizetype markSize) {
        QStringDecoder decoder(encoding);
        const QString text = decoder.decode(QByteArrayView(bytes).sliced(markSize));
        return ansi::encode(text);
    };
    if (bytes.startsWith(utf8Mark))
        return reencoded(QStringConverter::Utf8, utf8Mark.size());
    if (bytes.startsWith(utf16LeMark))
        return reencoded(QStringConverter::Utf16LE, utf16LeMark.size());
    if (bytes.startsWith(utf16BeMark))
        return reencoded(QStringConverter::Utf16BE, utf16BeMark.size());
    return bytes;
}

QString ProfileFile::formatProblem() const
{
    const QByteArray bytes = readRawFile(m_path);
    if (bytes.startsWith(utf8Mark))
        return QStringLiteral("檔案以 UTF-8 位元組順序記號（BOM）開頭");
    if (bytes.startsWith(utf16LeMark) || bytes.startsWith(utf16BeMark))
        return QStringLiteral("檔案以 UTF-16 位元組順序記號（BOM）開頭");
    if (!ansi::isValid(bytes))
        return QStringLiteral("檔案含有不是 Big5（code page 950）的位元組");
    return {};
}

QStringList ProfileFile::readSection(QStringView section) const
{
    QStringList keys;
    for (const auto& entry : readEntries(section))
        keys << entry.first;
    return keys;
}

QString ProfileFile::readString(QStringView section, QStringView key) const
{
    const std::vector<RawLine> lines = splitLines(readFile(m_path));
    const std::vector<ParsedLine> parsed = parseAll(lines);
    const std::optional<SectionRange> range = findSection(lines, parsed, section);
    if (!range)
        return {};
    for (std::size_t i = range->first; i < range->last; ++i) {
        if (parsed[i].kind == ParsedLine::Entry && sameName(parsed[i].name, key))
            return unquoted(parsed[i].value);
    }
    return {};
}

void ProfileFile::writeString(QStringView section, QStringView key, QStringView value,
                              Placement placement) const
{
    checkStorable(m_path, section, key, value);
    const QByteArray entry =
        encodeOrRefuse(m_path, key.toString() + QLatin1Char('=') + storedValue(value));
    const QByteArray header =
        encodeOrRefuse(m_path, QLatin1Char('[') + section.toString() + QLatin1Char(']'));

    const QByteArray before = readFileForEdit(m_path);
    std::vector<RawLine> lines = splitLines(before);
    const std::vector<ParsedLine> parsed = parseAll(lines);
    const std::optional<SectionRange> range = findSection(lines, parsed, section);

    const auto endLastLine = [&](std::size_t count) {
        if (count > 0 && lines[count - 1].end.isEmpty())
            lines[count - 1].end = crlf;
    };
    if (!range) {
        endLastLine(lines.size());
        lines.push_back({header, crlf});
        lines.push_back({entry, crlf});
    } else {
        std::optional<std::size_t> existing;
        std::optional<std::size_t> firstEntry;
        for (std::size_t i = range->first; i < range->last && !existing; ++i) {
            if (parsed[i].kind != ParsedLine::Entry)
                continue;
            if (!firstEntry)
                firstEntry = i;
            if (sameName(parsed[i].name, key))
                existing = i;
        }
        if (placement == Placement::First && existing != firstEntry) {
            // The line moves to the top of the section; every other entry
            // stays, in its order, after it.
            if (existing)
                lines.erase(lines.begin() + std::ptrdiff_t(*existing));
            lines.insert(lines.begin() + std::ptrdiff_t(range->first), RawLine{entry, crlf});
        } else if (existing) {
            lines[*existing] = {entry, crlf};
        } else {
            // After the section's last non-blank line, so blank lines that
            // part it from the next section stay where they are.
            std::size_t insertAt = range->last;
            while (insertAt > range->first &&
                   trimBlanks(ansi::decode(lines[insertAt - 1].content)).isEmpty())
                --insertAt;
            endLastLine(insertAt);
            lines.insert(lines.begin() + std::ptrdiff_t(insertAt), RawLine{entry, crlf});
        }
    }

    // A file that already holds the entry is left alone: one the user made
    // read-only on purpose raises nothing.
    const QByteArray after = joinLines(lines);
    if (after == before && QFileInfo::exists(m_path))
        return;
    AtomicFile file(m_path, m_access);
    if (file.write(after) != AtomicFile::Status::Written)
        throw Failure(unableToWrite(m_path));
}
