#pragma once

#include <QString>

// Where an export may write. An export replaces a file whole, so it never
// writes over a contact book: not the book it reads, not any other SQLite
// database, not an Access file.
namespace exporttarget {

// Fails, naming the reason, when target is the book itself (by any name) or
// a database file of either kind.
void refuseDatabase(const QString& book, const QString& target);

} // namespace exporttarget
