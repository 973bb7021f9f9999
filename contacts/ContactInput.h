#pragma once

#include <QString>
#include <QStringView>

// What the grid lets the user type or paste into a contact's field. Rows
// already in the file are shown as they are; only new input is checked.
namespace contactinput {

// Digits, blanks and "+ - ( )" only.
bool isMobileText(QStringView text);

// Why this text cannot be pasted into the field, or empty when it can.
QString pasteRefusal(int column, QStringView text);
// Why a typed, complete birthday cannot be kept, or empty when it can.
QString birthdayRefusal(QStringView text);

} // namespace contactinput
