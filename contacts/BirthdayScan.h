#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

class ContactStore;

// A contact whose birthday falls on one of the scanned days.
struct Birthday
{
    QString name;
    QString number;
    QDate day; // the day it falls on this year

    bool operator==(const Birthday&) const = default;
};

// Finds the contacts whose birthday is today, and those whose birthday fell on
// given earlier days, in table order. Knows nothing of widgets: the caller
// decides which of them go into the recipient boxes.
class BirthdayScan
{
public:
    // earlierDays: other days to look for too (days the program did not run).
    explicit BirthdayScan(const QDate& today, const QList<QDate>& earlierDays = {});

    // Today's key: month and day as MMDD.
    static QString todayKey(const QDate& today);
    // A birthday's key: its 3rd to 6th bytes in the ANSI code page (fewer when
    // the text is shorter), read back as text.
    static QString rowKey(QStringView birthday);
    // Whether a mobile number can receive a message: not null, not blank.
    static bool hasNumber(const QVariant& mobile);

    // The scanned day this birthday falls on; a null date when none.
    QDate dayOf(QStringView birthday) const;

    struct Result
    {
        QList<Birthday> today;   // every match of today, in table order
        QList<Birthday> earlier; // the matches of the earlier days, in table order
    };
    // Walks the whole table from its first row. A match without a usable
    // mobile number is skipped; nothing stops the walk but a read failure.
    // When rowKeys is given, every row's key is appended to it on the way.
    Result run(const ContactStore& store, QList<qint64>* rowKeys = nullptr) const;

private:
    QDate m_today;
    // Each day's key, and on 28 February of a year without 29 February also
    // 0229 for that day, so those contacts are greeted every year.
    QList<QString> m_keys;
    QList<QDate> m_keyDays;
};
