#pragma once

#include "ContactRecord.h"

#include <QByteArrayView>
#include <QString>

// Contact books of the earlier Windows version: Microsoft Access files (Jet 3,
// Jet 4 or ACE) with a table "contact" holding the three text fields. Read
// with libmdb; nothing here writes such a file.
namespace accessbook {

// Whether the file starts as a Jet or ACE database.
bool isAccessFile(const QString& path);

// The rows of the table "contact" (any case) in table order: the three fields
// by name, other columns ignored, a null field null and an empty text empty.
// Fails with a text that names the cause: not an Access file, damaged, no
// table "contact", a field missing or not text.
ContactRecords read(const QString& path);

} // namespace accessbook
