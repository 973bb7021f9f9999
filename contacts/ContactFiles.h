#pragma once

#include "ContactReader.h"
#include "ContactRecord.h"
#include "TextEncoding.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class ContactStore;

// The kinds of contact files the book imports and exports, and reading and
// writing them whole.
namespace contactfiles {

enum class Format
{
    Access, // the earlier version's contact book (.mdb, .accdb); import only
    VCard,
    Csv,
};

// The format a --format value ("vcf", "csv", "mdb", ...) or a file name's
// extension names; nothing when it names none.
std::optional<Format> formatOf(const QString& nameOrExtension);
// "vCard (*.vcf *.vcard);;CSV (*.csv);;Access (*.mdb *.accdb)" for file dialogs.
QString importFilter();
QString exportFilter();

// A file opened for reading its contacts one at a time. An Access file is
// read with its table contact; a contact book of this program (.mdb) is read
// too. The encoding, when given, is used for text that does not say its own
// (see csvcontacts and vcardcontacts). Fails with a clear text on a missing
// or unreadable file, and on one whose encoding cannot be decided
// (textencoding::UnclearEncoding). An Access file is read by the
// accessReader program in a process of its own when one is named.
std::unique_ptr<ContactReader> open(const QString& path, Format format,
                                    std::optional<textencoding::Encoding> encoding = {},
                                    const QString& accessReader = {});

// The first names of the file read in that encoding, for a user choosing
// between encodings; empty when the file cannot be read so.
QStringList firstNames(const QString& path, Format format, textencoding::Encoding encoding,
                       int count = 3);

// Writes the file in one piece: it appears complete or not at all. Access
// files cannot be written.
void write(const QString& path, Format format, const ContactRecords& records);

// Every contact of the book in table order.
ContactRecords readBook(ContactStore& store);

} // namespace contactfiles
