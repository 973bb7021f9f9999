#pragma once

#include "ContactRecord.h"

#include <QByteArray>

// Contacts as spreadsheets keep them: comma-separated values.
namespace csvcontacts {

// Reads UTF-8 (with or without a byte-order mark) or Big5, told apart by the
// bytes; RFC 4180 quoting. A header row is matched by common column names
// (姓名, Name, First Name + Last Name, 生日, Birthday, 手機號碼, Mobile Phone,
// Google's "Phone N - Type"/"Phone N - Value" pairs, ...); without one the
// first three columns are name, birthday and mobile. An empty field is null,
// a quoted empty one ("") an empty text. Fails on text in neither encoding
// and on a quote left open.
ContactRecords read(const QByteArray& bytes);

// UTF-8 with a byte-order mark, the header 姓名,生日,手機號碼, CR LF line
// ends; a null field empty, an empty text "".
QByteArray write(const ContactRecords& records);

} // namespace csvcontacts
