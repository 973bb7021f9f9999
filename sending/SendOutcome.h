#pragma once

#include "SendLog.h"

#include <QDate>
#include <QHash>
#include <QList>

// What became of one sending-form submission. A number counts as greeted only
// when its send was answered, a verification was then submitted and that
// verification's answer loaded without a refusal.
struct SendResult
{
    enum class Outcome
    {
        Confirmed,    // the verification's answer loaded and refused nothing
        Refused,      // the send or its verification was refused
        NotConfirmed, // a verification was submitted but its answer was lost
        NotSubmitted, // the send, or any verification of it, never went out
        Declined      // the user chose not to send (again)
    };
    LoggedSubmission send;
    Outcome outcome = Outcome::NotSubmitted;
    QDateTime at;   // when the outcome was decided: the verification's time, else the send's
    QString reason; // the gateway's words of a refusal, or why nothing went out
};

// The sends of the log, oldest first, each with its outcome. rows are the
// log's submissions, oldest first.
QList<SendResult> sendResults(const QList<LoggedSubmission>& rows);

// Per dialled number, the last day on or after since it met each outcome
// that matters for whom to greet.
struct GreetingRecord
{
    QHash<QString, QDate> greeted;
    QHash<QString, QDate> notConfirmed;
    QHash<QString, QDate> declined;

    // Greeted, or the user chose not to send, on or after day.
    bool handledSince(const QString& number, const QDate& day) const;
    bool notConfirmedSince(const QString& number, const QDate& day) const;
};

GreetingRecord greetingRecord(const QList<SendResult>& results, const QDate& since);
// The same, read from the log.
GreetingRecord greetingRecord(const SendLog& log, const QDate& since);
