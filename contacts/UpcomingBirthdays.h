#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>

class ContactStore;
struct GreetingRecord;

// A contact's birthday in the days around today.
struct UpcomingBirthday
{
    QString name;
    QString number;
    QDate day;            // the day it falls on
    int inDays = 0;       // days from today to it; negative for the past days
    bool greeted = false; // today's and past: greeted on or after the day

    bool operator==(const UpcomingBirthday&) const = default;
};

// The birthdays of the days ahead, and of the last days, as the book holds
// them: month and day only (the first two digits are the user's own, not a
// year). 29 February falls on 28 February in other years, as the day's scan
// greets it.
class UpcomingBirthdays
{
public:
    static constexpr int daysBack = 7;
    // The window stays shorter than a year, so every birthday falls on one day.
    static constexpr int maxDaysAhead = 365 - daysBack - 1;

    // From daysBack days before today to daysAhead days after it.
    explicit UpcomingBirthdays(const QDate& today, int daysAhead = 30);

    // The day of the window this birthday falls on; a null date when none.
    QDate dayOf(QStringView birthday) const;

    // Walks the whole book: the birthdays of the window with a usable mobile
    // number, in date order, in table order within a day.
    QList<UpcomingBirthday> run(const ContactStore& store) const;

    // What the user is shown: the days ahead, today's marked when greeted,
    // and of the past days only those not greeted since.
    static QList<UpcomingBirthday> withGreetings(const QList<UpcomingBirthday>& found,
                                                 const GreetingRecord& record);

    // The list's columns, and a birthday's row under them.
    static QStringList columns();
    static QStringList row(const UpcomingBirthday& birthday);

private:
    QDate dayOfKey(int month, int day) const;

    QDate m_today;
    // The window's day for month * 32 + day.
    std::array<QDate, 13 * 32> m_days{};
};
