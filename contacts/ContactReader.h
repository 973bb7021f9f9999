#pragma once

#include "ContactRecord.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>

#include <optional>

// A contact file read one contact at a time, so that a file of any size is
// imported in bounded memory.
class ContactReader
{
public:
    virtual ~ContactReader() = default;

    // The next contact, or nothing at the end. Throws Failure on a file it
    // cannot read.
    virtual std::optional<ContactRecord> next() = 0;
    // How far the reading has come, in bytes of the file, and the file's size,
    // for a progress bar.
    virtual qint64 position() const = 0;
    virtual qint64 size() const = 0;
    // What was read, for the import's summary: "CSV，UTF-8，逗號分隔".
    virtual QString description() const = 0;
};

// Every contact of a file held in memory, read by a reader of type Reader
// (constructed from a device and an optional encoding), for small files and
// tests.
template <typename Reader, typename Encoding>
ContactRecords readAllContacts(const QByteArray& bytes, const std::optional<Encoding>& encoding)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    Reader reader(buffer, encoding);
    ContactRecords records;
    while (std::optional<ContactRecord> record = reader.next())
        records.append(std::move(*record));
    return records;
}
