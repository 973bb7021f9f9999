#pragma once

#include "BirthdayScan.h"
#include "RecipientQueue.h"
#include "SendOutcome.h"

// Whom the day's greetings go to, from the scan's birthdays and what the send
// log knows of each number.
struct GreetingPlan
{
    QList<Recipient> today;  // today's birthdays not greeted yet today, in table order
    QList<Recipient> missed; // earlier days' birthdays not greeted on or after their day
    // Birthdays whose greeting may have gone out on or after their day, but
    // the gateway never confirmed it: sent again only when the user says so.
    QList<Recipient> notConfirmed;
    int greetedToday = 0; // today's birthdays already greeted today
};

GreetingPlan planGreetings(const BirthdayScan::Result& found, const GreetingRecord& record,
                           const QDate& today);
