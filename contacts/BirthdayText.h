#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Birthdays as other programs write them, turned into the book's six digits:
// the year's last two digits (00 when the year is unknown), month and day.
namespace birthdaytext {

// Whether month and day name a day of some year (29 February counts).
bool isRealMonthDay(int month, int day);
// Exactly six ASCII digits: the shape of the book's form, real day or not.
bool isSixDigits(QStringView text);
// The book's form of a real day: six digits whose third and fourth are a
// month and fifth and sixth a day of that month.
bool isRealBookForm(QStringView text);

// Reads YYYY-MM-DD, YYYYMMDD, YYYY/MM/DD, --MMDD, --MM-DD, MM/DD and the
// book's own YYMMDD, each optionally followed by a time part ("T..." or
// " hh:mm"). Nothing for any other text or a day that does not exist.
std::optional<QString> toBookForm(QStringView text);

// A six-digit book birthday as vCard writes it: --MMDD when the year is 00,
// YYYY-MM-DD otherwise (a two-digit year after this year's is taken as the
// last century's). Nothing when the stored text is not such a birthday.
std::optional<QString> toVCardDate(QStringView bookForm, int thisYear);

} // namespace birthdaytext
