#pragma once

#include "AtomicFile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// A Windows profile (INI) file in the ANSI code page, read by the rules of the
// Windows profile functions and edited in place: a write changes one line or
// adds one, and every other byte of the file stays as it was. Nothing is
// cached: every call reads the file, every write replaces it atomically.
//
// Reading rules: lines end at CR LF, a lone CR or a lone LF, and are trimmed
// of blanks and control characters; "[name]" starts a section; "key=value"
// is split at the first "=" with the blanks around it dropped; ";" starts a
// comment; other lines are not entries. Names match without regard to case
// and the first of duplicate sections or keys wins.
class ProfileFile
{
public:
    explicit ProfileFile(QString path, AtomicFile::Access access = AtomicFile::Access::Default);

    const QString& path() const { return m_path; }

    // The keys of the section's entries in file order, as written. A missing
    // file or section gives an empty list.
    QStringList readSection(QStringView section) const;
    // The section's entries in file order: each key as written with its value
    // as readString() gives it, from one reading of the file.
    QList<std::pair<QString, QString>> readEntries(QStringView section) const;
    // The key's value with one pair of enclosing quotation marks (" or ')
    // removed; empty when the file, section or key is missing.
    QString readString(QStringView section, QStringView key) const;
    enum class Placement
    {
        InPlace, // an existing key keeps its line, a new one goes last
        First,   // the entry becomes the first of its section
    };

    // Why the file is not in this format (a byte-order mark, bytes that are
    // not code page 950), or empty. Reading still takes what it can: a file
    // with a byte-order mark is read in its Unicode form.
    QString formatProblem() const;
    // The bytes of a file as this class reads and edits them: a file with a
    // byte-order mark in its Unicode form converted to the code page (a
    // write then stores it without the mark), any other file as it is.
    static QByteArray ansiContent(const QByteArray& bytes);

    // Replaces the key's value on its own line, or adds the key to its
    // section as the placement says, or appends the section at the end of
    // the file, creating the file if needed. Throws Failure, leaving the file as it was, when the
    // system refuses the write or when a name or value cannot be stored so
    // that it reads back as written.
    void writeString(QStringView section, QStringView key, QStringView value,
                     Placement placement = Placement::InPlace) const;

private:
    QString m_path;
    AtomicFile::Access m_access;
};
