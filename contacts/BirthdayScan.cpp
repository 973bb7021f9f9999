#include "BirthdayScan.h"

#include "AnsiText.h"
#include "ContactFields.h"
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

// Four bytes as one number, to compare a key in one step.
quint32 packed(const char* bytes)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

template <typename View> View keyOf(View text)
{
    return text.size() <= 2 ? View() : text.sliced(2, std::min<qsizetype>(4, text.size() - 2));
}

} // namespace

BirthdayScan::BirthdayScan(const QDate& today, const QList<QDate>& earlierDays) : m_today(today)
{
    QList<QDate> days{today};
    days += earlierDays;
    for (const QDate& day : days) {
        m_keys << todayKey(day);
        m_keyDays << day;
        if (day.month() == 2 && day.day() == 28 && !QDate::isLeapYear(day.year())) {
            m_keys << QStringLiteral("0229");
            m_keyDays << day;
        }
    }
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

bool BirthdayScan::hasNumber(const QVariant& mobile)
{
    return !mobile.isNull() && !mobile.toString().trimmed().isEmpty();
}

QDate BirthdayScan::dayOf(QStringView birthday) const
{
    if (birthday.isEmpty())
        return {};
    bool ascii = true;
    for (QChar c : birthday)
        ascii = ascii && c.unicode() < 0x80;
    // For ASCII text the bytes are the characters; skip the conversion.
    const QString key = ascii ? keyOf(birthday).toString() : rowKey(birthday);
    const qsizetype at = m_keys.indexOf(key);
    return at < 0 ? QDate() : m_keyDays.at(at);
}

BirthdayScan::Result BirthdayScan::run(const ContactStore& store, QList<qint64>* rowKeys) const
{
    Result result;
    // Every scanned day's key is four ASCII digits.
    QList<quint32> packedKeys;
    for (const QString& key : m_keys)
        packedKeys << packed(key.toLatin1().constData());
    SqliteStatement rows(store.handle(),
                         QStringLiteral("SELECT %1, %2, %3, rowid FROM %4 ORDER BY rowid")
                             .arg(contactfields::quotedName(contactfields::Birthday),
                                  contactfields::quotedName(contactfields::Name),
                                  contactfields::quotedName(contactfields::Mobile),
                                  contactfields::table));
    while (rows.next()) {
        if (rowKeys)
            rowKeys->append(rows.integer(3));
        if (rows.isNull(0))
            continue;
        const QByteArrayView birthday = rows.text(0);
        if (birthday.isEmpty())
            continue;
        QDate day;
        // Most birthdays are six ASCII digits: compare their bytes directly.
        // An ASCII key shorter than four bytes matches no day.
        if (isAscii(birthday)) {
            const QByteArrayView key = keyOf(birthday);
            const qsizetype at = key.size() == 4 ? packedKeys.indexOf(packed(key.data())) : -1;
            if (at >= 0)
                day = m_keyDays.at(at);
        } else {
            day = dayOf(QString::fromUtf8(birthday));
        }
        if (!day.isValid())
            continue;
        // A contact without a number takes no box: the walk goes on, so the
        // later contacts of the day are still found.
        const QVariant mobile =
            rows.isNull(2) ? QVariant() : QVariant(QString::fromUtf8(rows.text(2)));
        if (!hasNumber(mobile))
            continue;
        Birthday match{rows.isNull(1) ? QString() : QString::fromUtf8(rows.text(1)),
                       mobile.toString(), day};
        (day == m_today ? result.today : result.earlier) << match;
    }
    return result;
}
