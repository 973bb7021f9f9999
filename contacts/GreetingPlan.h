#pragma once

#include "BirthdayScan.h"
#include "RecipientQueue.h"

#include <QHash>

// Whom the day's greetings go to, from the scan's birthdays and the numbers
// the send log knows as greeted (dialled number → last day greeted).
struct GreetingPlan
{
    QList<Recipient> today;  // today's birthdays not greeted yet today, in table order
    QList<Recipient> missed; // earlier days' birthdays not greeted on or after their day
    int greetedToday = 0;    // today's birthdays already greeted today
};

GreetingPlan planGreetings(const BirthdayScan::Result& found, const QHash<QString, QDate>& greeted,
                           const QDate& today);
