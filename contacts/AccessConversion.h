#pragma once

#include <QString>

class Dialogs;

// The start-up's handling of a contact book still in the earlier version's
// Access format.
namespace accessconversion {

// When the book at path is an Access file, asks whether to convert it; on Yes
// converts it and says how many contacts were converted. Does nothing for any
// other file. Fails, leaving the file exactly as it was, on No or when the
// conversion fails; with accessreader::Unreadable when the file itself is
// the cause. reader is the program that reads Access files
// (accessreader::read).
void offer(const QString& path, Dialogs& dialogs, const QString& reader);

// Copies the table "contact" of the Access book at path into a new book file
// beside it, keeps the original byte for byte as path + ".access" and then
// puts the new book in its place. Returns the number of contacts. On failure
// the book at path is left exactly as it was and nothing else remains but a
// path + ".access" that was there before. One that is byte for byte the book
// (left by an earlier attempt) does not stand in the way.
int convert(const QString& path, const QString& reader);

} // namespace accessconversion
