#include "GatewayActions.h"

namespace GatewayActions {

DomSteps logIn(const QString& account, const QString& password)
{
    return {DomStep::setById(QStringLiteral("fuid"), account),
            DomStep::setNamed(QStringLiteral("pwd"), 0, password),
            DomStep::clickById(QStringLiteral("submit"))};
}

DomSteps send(const SendValues& values)
{
    DomSteps steps{DomStep::setById(QStringLiteral("InputMsg"), values.message)};
    // All five mobile fields are written, empty boxes as empty text.
    for (int k = 1; k <= 5; ++k) {
        const QString recipient =
            k <= values.recipients.size() ? values.recipients.at(k - 1) : QString();
        steps << DomStep::setNamed(QStringLiteral("mobile%1").arg(k, 2, 10, QLatin1Char('0')), 0,
                                   recipient);
    }
    if (values.immediate) {
        steps << DomStep::clickNamed(QStringLiteral("sendType"), 0);
    } else {
        steps << DomStep::clickNamed(QStringLiteral("sendType"), 1)
              << DomStep::setNamed(
                     QStringLiteral("year"), 0,
                     QStringLiteral("%1").arg(values.date.year(), 4, 10, QLatin1Char('0')))
              << DomStep::setNamed(
                     QStringLiteral("month"), 0,
                     QStringLiteral("%1").arg(values.date.month(), 2, 10, QLatin1Char('0')))
              << DomStep::setNamed(
                     QStringLiteral("day"), 0,
                     QStringLiteral("%1").arg(values.date.day(), 2, 10, QLatin1Char('0')))
              << DomStep::setNamed(QStringLiteral("hour"), 0, values.hour)
              << DomStep::setNamed(QStringLiteral("minute"), 0, values.minute);
    }
    steps << DomStep::submitForm(1);
    return steps;
}

DomSteps verify(const QString& code)
{
    return {DomStep::setFormControl(0, QStringLiteral("auth_code"), code), DomStep::submitForm(0)};
}

} // namespace GatewayActions
