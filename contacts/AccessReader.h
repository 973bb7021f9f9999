#pragma once

#include "ContactRecord.h"
#include "Failure.h"

#include <QByteArray>
#include <QString>

// Access files are read by libmdb, which was not written for hostile files:
// a damaged or crafted file can crash it or make it allocate without end.
// So the program reads them in a child process of its own (the reader,
// selvanto-access-reader) with limits on memory and time, and takes back
// only rows it can check.
namespace accessreader {

// The file itself could not be read: damaged, crafted, or not a contact book.
// Unlike a full disk or a read-only folder, trying again will not help until
// the file changes.
class Unreadable : public Failure
{
public:
    using Failure::Failure;
};

// What the reader prints for the rows it read.
QByteArray encode(const ContactRecords& records);
// The rows encode wrote; fails with Unreadable on anything else.
ContactRecords decode(const QByteArray& bytes);

// Reads the Access file at path by running the reader program on it. A
// crash, a limit reached or output that is not what encode writes fails with
// Unreadable, "Access 檔案無法讀取（可能已損壞）"; a file the reader refuses
// fails with Unreadable and the reader's reason. A reader that cannot be
// started fails with a plain Failure.
ContactRecords read(const QString& reader, const QString& path);

// The reader program beside this one (a build or a portable folder), else
// in the program's private folder of an installed copy.
QString installedReader();

// The reader's side: reads path in this process and prints the rows on
// standard output (exit status 0), or the reason it refuses the file
// (exit status 3).
int runReader(const QString& path);

} // namespace accessreader
