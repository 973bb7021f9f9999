// The birthday key on any text a birthday cell can hold: it is short, a
// six-digit birthday gives its 3rd to 6th digits, and the match used by the
// scan is the same as comparing the key with today's key (28 February of a
// year without 29 February also matching 0229), which the birthdays-ahead
// list agrees with.

#include "AnsiText.h"
#include "BirthdayScan.h"
#include "FuzzCheck.h"
#include "UpcomingBirthdays.h"

#include <QVariant>

#include <cstddef>
#include <cstdint>

namespace {

constexpr size_t headerSize = 3;

// Two bytes pick a day of 2023 (no 29 February) or 2024 (with one).
QDate dayFromInput(const uint8_t* data)
{
    const int index = (data[0] | data[1] << 8) % (365 + 366);
    return QDate(2023, 1, 1).addDays(index);
}

// The third byte chooses how the rest becomes text: decoded from the code
// page (valid and broken Big5 alike), taken as UTF-16 code units (any
// character, lone surrogate halves included), or a birthday in the usual
// six digits followed by whatever else.
QString textFromInput(const uint8_t* data, size_t size)
{
    const uint8_t* rest = data + headerSize;
    const size_t restSize = size - headerSize;
    switch (data[2] % 3) {
    case 0:
        return ansi::decode(
            QByteArrayView(reinterpret_cast<const char*>(rest), qsizetype(restSize)));
    case 1:
        return utf16FromBytes(rest, restSize);
    default: {
        QString text;
        for (size_t i = 0; i < restSize; ++i)
            text += i < 6 ? QChar(u'0' + rest[i] % 10) : QChar(char16_t(rest[i]));
        return text;
    }
    }
}

bool isAsciiDigits(QStringView text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

void checkKey(const QString& birthday, const QDate& today)
{
    const QString key = BirthdayScan::rowKey(birthday);
    fuzzCheck(key.size() <= 4, "key longer than four characters", birthday);

    // Every character before and in the key is one byte: the key is the text's
    // own 3rd to 6th characters.
    if (birthday.size() >= 6 && isAsciiDigits(QStringView(birthday).first(6)))
        fuzzCheck(key == QStringView(birthday).sliced(2, 4), "six-digit key not digits 3 to 6",
                  birthday);

    const QString todayKey = BirthdayScan::todayKey(today);
    fuzzCheck(todayKey.size() == 4 && isAsciiDigits(todayKey), "today's key not four digits",
              todayKey);
    const bool leapDayAlso =
        today.month() == 2 && today.day() == 28 && !QDate::isLeapYear(today.year());
    const bool expected = key == todayKey || (leapDayAlso && key == QLatin1String("0229"));

    const BirthdayScan scan(today);
    fuzzCheck((scan.dayOf(birthday) == today) == expected, "the scan disagrees with the key",
              birthday);

    // The birthdays-ahead list reads the same key: today's birthdays fall on
    // today, and any day it finds is within its window.
    const QDate ahead = UpcomingBirthdays(today).dayOf(birthday);
    fuzzCheck(!expected || ahead == today, "birthdays ahead miss today's birthday", birthday);
    fuzzCheck(!ahead.isValid() || (ahead >= today.addDays(-UpcomingBirthdays::daysBack) &&
                                   ahead <= today.addDays(30)),
              "birthdays ahead outside the window", birthday);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < headerSize)
        return 0;
    checkKey(textFromInput(data, size), dayFromInput(data));
    return 0;
}
