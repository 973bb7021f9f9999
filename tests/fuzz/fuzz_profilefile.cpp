// The profile file on any bytes: what a read finds survives being written
// back, both into a new file and over the same file in place.
//
// "The same entries" means: the same sections (by name, without regard to
// case, the first spelling kept), each with the same keys in the same order
// and every key with the same value as read (enclosing quotation marks
// already dropped). Writes may be refused (a name or value the file cannot
// hold so that it reads back); a refused write must leave the file's bytes
// as they were, and every accepted one must read back exactly.

#include "AnsiText.h"
#include "Failure.h"
#include "FuzzCheck.h"
#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <utility>

namespace {

struct Section
{
    QString name;
    QList<std::pair<QString, QString>> entries;

    bool operator==(const Section&) const = default;
};
using Model = QList<Section>;

QString describe(const Model& model)
{
    QString text;
    for (const Section& section : model) {
        text += QLatin1Char('[') + section.name + QLatin1String("]\n");
        for (const auto& [key, value] : section.entries)
            text += key + QLatin1Char('=') + value + QLatin1Char('\n');
    }
    return text;
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QStringView trimBlanks(QStringView text)
{
    while (!text.isEmpty() && text.front().unicode() <= 0x20)
        text = text.sliced(1);
    while (!text.isEmpty() && text.back().unicode() <= 0x20)
        text.chop(1);
    return text;
}

// Every name that could be a section: the text between the first "[" and
// the last "]" of each line. More than the real sections (a value may hold
// brackets) is harmless, since a name without a section reads as empty; the
// real ones are all among them.
void addCandidates(const QByteArray& bytes, QStringList& names)
{
    QByteArray unified = ProfileFile::ansiContent(bytes);
    unified.replace('\r', '\n');
    for (const QByteArray& line : unified.split('\n')) {
        const QString text = ansi::decode(line);
        const qsizetype open = text.indexOf(QLatin1Char('['));
        const qsizetype close = text.lastIndexOf(QLatin1Char(']'));
        if (open < 0 || close <= open)
            continue;
        const QString name =
            trimBlanks(QStringView(text).sliced(open + 1, close - open - 1)).toString();
        const bool known = std::any_of(names.cbegin(), names.cend(),
                                       [&](const QString& other) { return sameName(name, other); });
        if (!known)
            names << name;
    }
}

// The sections with at least one entry, looked up by each candidate name.
Model readModel(const ProfileFile& file, const QStringList& names)
{
    Model model;
    for (const QString& name : names) {
        Section section{name, {}};
        for (const QString& key : file.readSection(name))
            section.entries.append({key, file.readString(name, key)});
        fuzzCheck(file.readEntries(name) == section.entries,
                  "reading the section at once differs from key by key", name);
        if (!section.entries.isEmpty())
            model << section;
    }
    return model;
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    fuzzCheck(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                  file.write(bytes) == bytes.size(),
              "cannot write the input file", path);
}

// Writes the entry; a refusal must leave the file untouched. Returns whether
// the write was accepted.
bool writeOrRefuse(const ProfileFile& file, const QString& section, const QString& key,
                   const QString& value)
{
    const QByteArray before = readBytes(file.path());
    try {
        file.writeString(section, key, value);
    } catch (const Failure& failure) {
        fuzzCheck(readBytes(file.path()) == before, "a refused write changed the file",
                  failure.text());
        return false;
    }
    fuzzCheck(file.readString(section, key) == value, "a written value does not read back",
              section + QLatin1Char('/') + key + QLatin1Char('=') + value);
    return true;
}

const QString& folder()
{
    // Memory-backed when possible: every write syncs the file to the disk.
    static const QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                       ? QStringLiteral("/dev/shm/selvanto-fuzz-XXXXXX")
                                       : QDir::tempPath() +
                                             QStringLiteral("/selvanto-fuzz-XXXXXX"));
    static const QString path = dir.path() + QLatin1Char('/');
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ProfileFile original(folder() + QStringLiteral("original.ini"));
    const ProfileFile copy(folder() + QStringLiteral("copy.ini"));
    QFile::remove(copy.path());
    writeBytes(original.path(), bytes);
    // The start-up's format check reads any bytes without failing.
    const bool marked = ProfileFile::ansiContent(bytes) != bytes;
    fuzzCheck(!marked || !original.formatProblem().isEmpty(), "a byte-order mark was not reported",
              original.path());

    QStringList names;
    addCandidates(bytes, names);
    const Model model = readModel(original, names);

    // Written one by one into a new file: the accepted entries, in order.
    Model accepted;
    for (const Section& section : model) {
        Section kept{section.name, {}};
        for (const auto& [key, value] : section.entries) {
            if (writeOrRefuse(copy, section.name, key, value))
                kept.entries.append({key, value});
        }
        if (!kept.entries.isEmpty())
            accepted << kept;
    }
    QStringList copyNames = names;
    addCandidates(readBytes(copy.path()), copyNames);
    const Model copied = readModel(copy, copyNames);
    fuzzCheck(copied == accepted, "a new file written from the entries reads differently",
              describe(accepted) + QLatin1String("\n----\n") + describe(copied));

    // Each value written back over itself in place: nothing read changes.
    for (const Section& section : model) {
        for (const auto& [key, value] : section.entries)
            writeOrRefuse(original, section.name, key, value);
    }
    QStringList rewrittenNames = names;
    addCandidates(readBytes(original.path()), rewrittenNames);
    fuzzCheck(readModel(original, rewrittenNames) == model,
              "writing values back in place changed the entries", describe(model));

    // A new key lands at the end of its section and nothing else changes.
    if (!model.isEmpty()) {
        const Section& first = model.front();
        const QString key = QStringLiteral("fuzz-new-key");
        const bool present =
            std::any_of(first.entries.cbegin(), first.entries.cend(),
                        [&](const auto& entry) { return sameName(entry.first, key); });
        if (!present && writeOrRefuse(original, first.name, key, QStringLiteral("v"))) {
            Model expected = model;
            expected.front().entries.append({key, QStringLiteral("v")});
            fuzzCheck(readModel(original, rewrittenNames) == expected,
                      "appending a key changed other entries", describe(expected));
        }
    }
    return 0;
}
