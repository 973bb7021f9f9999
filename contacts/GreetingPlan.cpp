#include "GreetingPlan.h"

GreetingPlan planGreetings(const BirthdayScan::Result& found, const QHash<QString, QDate>& greeted,
                           const QDate& today)
{
    const auto greetedSince = [&greeted](const Birthday& birthday, const QDate& day) {
        const QDate last = greeted.value(dialledNumber(birthday.number));
        return last.isValid() && last >= day;
    };
    GreetingPlan plan;
    for (const Birthday& birthday : found.today) {
        if (greetedSince(birthday, today))
            ++plan.greetedToday;
        else
            plan.today << Recipient{birthday.name, birthday.number};
    }
    for (const Birthday& birthday : found.earlier) {
        if (!greetedSince(birthday, birthday.day))
            plan.missed << Recipient{birthday.name, birthday.number};
    }
    return plan;
}
