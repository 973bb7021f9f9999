#pragma once

#include <QString>

// A line in Traditional Chinese that says what an SQLite error code means for
// the contact book and what the user can do; it follows the database's own
// English text in the error box.
namespace sqliteadvice {

QString forCode(int code);
// The database's English text, then the advice for its code.
QString explained(const QString& text, int code);

} // namespace sqliteadvice
