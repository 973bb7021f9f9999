#include "BirthdayScan.h"

#include "AnsiText.h"
#include "ContactStore.h"
#include "SqliteStatement.h"

namespace {

bool isAscii(QByteArrayView bytes)
{
    for (char byte : bytes) {
        if (static_cast<unsigned char>(byte) >= 0x80)
            return false;
    }
    return true;
}

template <typename View> View keyOf(View text)
{
    return text.size() <= 2 ? View() : text.sliced(2, std::min<qsizetype>(4, text.size() - 2));
}

} // namespace

BirthdayScan::BirthdayScan(const QDate& today, Fill fill)
    : m_keys{todayKey(today)}, m_fill(std::move(fill))
{
    if (today.month() == 2 && today.day() == 28 && !QDate::isLeapYear(today.year()))
        m_keys << QStringLiteral("0229");
}

QString BirthdayScan::todayKey(const QDate& today)
{
    return QStringLiteral("%1%2")
        .arg(today.month(), 2, 10, QLatin1Char('0'))
        .arg(today.day(), 2, 10, QLatin1Char('0'));
}

QString BirthdayScan::rowKey(QStringView birthday)
{
    return ansi::decode(keyOf(QByteArrayView(ansi::encode(birthday))));
}

bool BirthdayScan::isToday(QStringView birthday) const
{
    if (birthday.isEmpty())
        return false;
    bool ascii = true;
    for (QChar c : birthday)
        ascii = ascii && c.unicode() < 0x80;
    // For ASCII text the bytes are the characters; skip the conversion.
    const QString key = ascii ? keyOf(birthday).toString() : rowKey(birthday);
    return m_keys.contains(key);
}

bool BirthdayScan::take(const QVariant& birthday, const QVariant& mobile)
{
    if (birthday.isNull() || !isToday(birthday.toString()))
        return true;
    return takeMatch(mobile);
}

BirthdayScan::Result BirthdayScan::run(const ContactStore& store)
{
    SqliteStatement rows(store.handle(),
                         "SELECT rowid, \"生日\", \"手機號碼\" FROM contact ORDER BY rowid");
    while (rows.next()) {
        if (rows.isNull(1))
            continue;
        const QByteArrayView birthday = rows.text(1);
        // Most birthdays are six ASCII digits: compare their bytes directly.
        const bool today =
            isAscii(birthday)
                ? !birthday.isEmpty() && m_keys.contains(QLatin1StringView(keyOf(birthday)))
                : isToday(QString::fromUtf8(birthday));
        if (!today)
            continue;
        const QVariant mobile =
            rows.isNull(2) ? QVariant() : QVariant(QString::fromUtf8(rows.text(2)));
        if (!takeMatch(mobile))
            return {m_outcome, rows.integer(0)};
    }
    return {m_outcome, std::nullopt};
}

// A matching contact without a mobile number takes no box: the scan goes on,
// so the later contacts of the day are still found.
bool BirthdayScan::takeMatch(const QVariant& mobile)
{
    if (m_numbers.size() == boxCount) {
        m_outcome = Outcome::TooMany;
        return false;
    }
    if (mobile.isNull())
        return true;
    m_numbers << mobile.toString();
    if (m_fill)
        m_fill(int(m_numbers.size()), m_numbers.last());
    return true;
}
