#pragma once

#include <QDate>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

class ContactStore;

// Finds today's birthday contacts. Rows are fed in table order; each match
// takes the next of the five recipient boxes for its mobile number. Knows
// nothing of widgets: the caller writes the boxes from the fill callback.
class BirthdayScan
{
public:
    enum class Outcome
    {
        Finished,
        TooMany
    };
    static constexpr int boxCount = 5;
    // Box k (1 to 5) receives this number.
    using Fill = std::function<void(int k, const QString& number)>;

    explicit BirthdayScan(const QDate& today, Fill fill = {});

    // Today's key: month and day as MMDD.
    static QString todayKey(const QDate& today);
    // A birthday's key: its 3rd to 6th bytes in the ANSI code page (fewer when
    // the text is shorter), read back as text.
    static QString rowKey(QStringView birthday);

    bool isToday(QStringView birthday) const;
    // Feeds one row; a null birthday or mobile is an invalid QVariant. Returns
    // false when the scan stops at this row.
    bool take(const QVariant& birthday, const QVariant& mobile);

    struct Result
    {
        Outcome outcome = Outcome::Finished;
        // The key of the row the scan stopped on; none when it reached the end.
        std::optional<qint64> stoppedAt;
    };
    // Walks the store's table in table order from its first row.
    Result run(const ContactStore& store);

    const QStringList& numbers() const { return m_numbers; }
    Outcome outcome() const { return m_outcome; }

private:
    bool takeMatch(const QVariant& mobile);

    // Today's key, and on 28 February of a year without 29 February also
    // 0229, so those contacts are greeted every year.
    QStringList m_keys;
    Fill m_fill;
    QStringList m_numbers;
    Outcome m_outcome = Outcome::Finished;
};
