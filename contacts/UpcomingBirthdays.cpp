#include "UpcomingBirthdays.h"

#include "BirthdayScan.h"
#include "ContactFields.h"
#include "ContactStore.h"
#include "RecipientQueue.h"
#include "SendOutcome.h"
#include "SqliteStatement.h"

#include <algorithm>

namespace {

int digit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : -1;
}

// Month and day from a birthday's key bytes (MMDD); false unless four digits.
bool monthDay(QByteArrayView key, int& month, int& day)
{
    if (key.size() != 4)
        return false;
    int digits[4];
    for (int i = 0; i < 4; ++i) {
        digits[i] = digit(key[i]);
        if (digits[i] < 0)
            return false;
    }
    month = digits[0] * 10 + digits[1];
    day = digits[2] * 10 + digits[3];
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
}

QByteArrayView asciiKey(QByteArrayView birthday)
{
    return birthday.size() <= 2 ? QByteArrayView()
                                : birthday.sliced(2, std::min<qsizetype>(4, birthday.size() - 2));
}

} // namespace

UpcomingBirthdays::UpcomingBirthdays(const QDate& today, int daysAhead) : m_today(today)
{
    daysAhead = std::clamp(daysAhead, 0, maxDaysAhead);
    for (QDate day = today.addDays(-daysBack); day <= today.addDays(daysAhead);
         day = day.addDays(1)) {
        m_days[day.month() * 32 + day.day()] = day;
        if (day.month() == 2 && day.day() == 28 && !QDate::isLeapYear(day.year()))
            m_days[2 * 32 + 29] = day;
    }
}

QDate UpcomingBirthdays::dayOfKey(int month, int day) const
{
    return m_days[month * 32 + day];
}

QDate UpcomingBirthdays::dayOf(QStringView birthday) const
{
    const QString key = BirthdayScan::rowKey(birthday);
    int month = 0;
    int day = 0;
    // A character outside Latin-1 becomes "?", which is no digit.
    return monthDay(key.toLatin1(), month, day) ? dayOfKey(month, day) : QDate();
}

QList<UpcomingBirthday> UpcomingBirthdays::run(const ContactStore& store) const
{
    QList<UpcomingBirthday> found;
    SqliteStatement rows(store.handle(),
                         QStringLiteral("SELECT %1, %2, %3 FROM %4 ORDER BY rowid")
                             .arg(contactfields::quotedName(contactfields::Birthday),
                                  contactfields::quotedName(contactfields::Name),
                                  contactfields::quotedName(contactfields::Mobile),
                                  contactfields::table));
    while (rows.next()) {
        if (rows.isNull(0))
            continue;
        const QByteArrayView birthday = rows.text(0);
        QDate day;
        // Most birthdays are six ASCII digits: read their bytes directly.
        if (isAscii(birthday)) {
            int month = 0;
            int dayOfMonth = 0;
            if (monthDay(asciiKey(birthday), month, dayOfMonth))
                day = dayOfKey(month, dayOfMonth);
        } else {
            day = dayOf(QString::fromUtf8(birthday));
        }
        if (!day.isValid() || rows.isNull(2))
            continue;
        const QString number = QString::fromUtf8(rows.text(2));
        if (!BirthdayScan::hasNumber(number))
            continue;
        found << UpcomingBirthday{rows.isNull(1) ? QString() : QString::fromUtf8(rows.text(1)),
                                  number, day, int(m_today.daysTo(day))};
    }
    std::stable_sort(
        found.begin(), found.end(),
        [](const UpcomingBirthday& a, const UpcomingBirthday& b) { return a.day < b.day; });
    return found;
}

QList<UpcomingBirthday> UpcomingBirthdays::withGreetings(const QList<UpcomingBirthday>& found,
                                                         const GreetingRecord& record)
{
    QList<UpcomingBirthday> shown;
    for (UpcomingBirthday birthday : found) {
        if (birthday.inDays <= 0) {
            const QDate greeted = record.greeted.value(dialledNumber(birthday.number));
            birthday.greeted = greeted.isValid() && greeted >= birthday.day;
            if (birthday.inDays < 0 && birthday.greeted)
                continue;
        }
        shown << birthday;
    }
    return shown;
}

QStringList UpcomingBirthdays::columns()
{
    return {QStringLiteral("日期"), QStringLiteral("星期"),     QStringLiteral("還有幾天"),
            QStringLiteral("姓名"), QStringLiteral("手機號碼"), QStringLiteral("狀態")};
}

QStringList UpcomingBirthdays::row(const UpcomingBirthday& birthday)
{
    static const QString weekdays = QStringLiteral("一二三四五六日");
    const QString when = birthday.inDays == 0  ? QStringLiteral("今天")
                         : birthday.inDays > 0 ? QStringLiteral("%1 天後").arg(birthday.inDays)
                                               : QStringLiteral("%1 天前").arg(-birthday.inDays);
    QString state;
    if (birthday.inDays < 0)
        state = QStringLiteral("未祝福");
    else if (birthday.inDays == 0)
        state = birthday.greeted ? QStringLiteral("已祝福") : QStringLiteral("待祝福");
    return {birthday.day.toString(QStringLiteral("MM-dd")),
            QStringLiteral("週") + weekdays[birthday.day.dayOfWeek() - 1],
            when,
            birthday.name,
            birthday.number,
            state};
}
