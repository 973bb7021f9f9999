#include "BirthdayText.h"

#include <QRegularExpression>

#include <algorithm>

namespace birthdaytext {
namespace {

QString twoDigits(int value)
{
    const char16_t digits[] = {char16_t(u'0' + value / 10), char16_t(u'0' + value % 10)};
    return QString(reinterpret_cast<const QChar*>(digits), 2);
}

std::optional<QString> bookForm(int year, int month, int day)
{
    if (!isRealMonthDay(month, day))
        return std::nullopt;
    return twoDigits(year % 100) + twoDigits(month) + twoDigits(day);
}

} // namespace

bool isRealMonthDay(int month, int day)
{
    static constexpr int longest[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month >= 1 && month <= 12 && day >= 1 && day <= longest[month - 1];
}

bool isSixDigits(QStringView text)
{
    return text.size() == 6 && std::all_of(text.begin(), text.end(), [](QChar c) {
               return c >= QLatin1Char('0') && c <= QLatin1Char('9');
           });
}

bool isRealBookForm(QStringView text)
{
    return isSixDigits(text) &&
           isRealMonthDay(text.sliced(2, 2).toInt(), text.sliced(4, 2).toInt());
}

std::optional<QString> toBookForm(QStringView text)
{
    // The book's own six digits, the common case, without the pattern.
    if (isSixDigits(text)) {
        if (!isRealBookForm(text))
            return std::nullopt;
        return text.toString();
    }
    // The date, then an optional time part that is ignored.
    static const QRegularExpression pattern(QStringLiteral(
        "^\\s*(?:(\\d{4})-?(\\d{2})-?(\\d{2})|(\\d{4})/(\\d{1,2})/(\\d{1,2})|--(\\d{2})-?(\\d{2})|"
        "(\\d{1,2})/(\\d{1,2})|(\\d{2})(\\d{2})(\\d{2}))(?:[T ][0-9:.,Z+\\-]*)?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text.toString());
    if (!match.hasMatch())
        return std::nullopt;
    auto number = [&](int group) { return match.capturedView(group).toInt(); };
    for (int first : {1, 4, 11}) {
        if (match.hasCaptured(first))
            return bookForm(number(first), number(first + 1), number(first + 2));
    }
    const int monthGroup = match.hasCaptured(7) ? 7 : 9;
    return bookForm(0, number(monthGroup), number(monthGroup + 1));
}

std::optional<QString> toVCardDate(QStringView bookForm, int thisYear)
{
    static const QRegularExpression sixDigits(QStringLiteral("^(\\d{2})(\\d{2})(\\d{2})$"));
    const QRegularExpressionMatch match = sixDigits.match(bookForm.toString());
    if (!match.hasMatch())
        return std::nullopt;
    const int year = match.capturedView(1).toInt();
    const int month = match.capturedView(2).toInt();
    const int day = match.capturedView(3).toInt();
    if (!isRealMonthDay(month, day))
        return std::nullopt;
    if (year == 0)
        return QStringLiteral("--") + match.captured(2) + match.captured(3);
    const int century = year > thisYear % 100 ? (thisYear / 100 - 1) * 100 : thisYear / 100 * 100;
    return QStringLiteral("%1-%2-%3").arg(century + year).arg(match.captured(2), match.captured(3));
}

} // namespace birthdaytext
