#include "GreetingPlan.h"

GreetingPlan planGreetings(const BirthdayScan::Result& found, const GreetingRecord& record,
                           const QDate& today)
{
    GreetingPlan plan;
    // A number is greeted once, however many of the scanned days it is on.
    QSet<QString> planned;
    const auto place = [&](const Birthday& birthday, const QDate& day, QList<Recipient>& list) {
        const QString dialled = dialledNumber(birthday.number);
        if (record.handledSince(birthday.number, day)) {
            if (day == today && !planned.contains(dialled))
                ++plan.greetedToday;
        } else if (!planned.contains(dialled)) {
            const Recipient recipient{birthday.name, birthday.number};
            if (record.notConfirmedSince(birthday.number, day))
                plan.notConfirmed << recipient;
            else
                list << recipient;
        }
        planned.insert(dialled);
    };
    for (const Birthday& birthday : found.today)
        place(birthday, today, plan.today);
    for (const Birthday& birthday : found.earlier)
        place(birthday, birthday.day, plan.missed);
    return plan;
}
