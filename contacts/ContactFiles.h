#pragma once

#include "ContactRecord.h"

#include <QString>

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

// The contacts of a file. An Access file is read with its table contact; a
// contact book of this program (.mdb) is read too. Fails with a clear text on
// a missing, unreadable, empty, huge or malformed file.
ContactRecords read(const QString& path, Format format);

// Writes the file in one piece: it appears complete or not at all. Access
// files cannot be written.
void write(const QString& path, Format format, const ContactRecords& records);

// Every contact of the book in table order.
ContactRecords readBook(ContactStore& store);

} // namespace contactfiles
