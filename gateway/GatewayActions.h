#pragma once

#include "DomStep.h"

#include <QDate>
#include <QStringList>

// What the send action writes into the gateway's sending form.
struct SendValues
{
    QString message;
    QStringList recipients; // the five recipient boxes, first to fifth
    bool immediate = true;
    QDate date;     // scheduled date
    QString hour;   // scheduled hour, as typed
    QString minute; // scheduled minute, as typed
};

// The gateway's forms as the program fills them: each action as its list of
// steps, in the order they run, with the values to write.
namespace GatewayActions {

DomSteps logIn(const QString& account, const QString& password);
DomSteps send(const SendValues& values);
DomSteps verify(const QString& code);

} // namespace GatewayActions
