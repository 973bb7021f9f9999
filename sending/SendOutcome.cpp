#include "SendOutcome.h"

#include "RecipientQueue.h"

namespace {

bool onOrAfter(const QHash<QString, QDate>& days, const QString& number, const QDate& day)
{
    const QDate last = days.value(dialledNumber(number));
    return last.isValid() && last >= day;
}

void note(QHash<QString, QDate>& days, const QStringList& numbers, const QDate& day)
{
    for (const QString& number : numbers) {
        const QString dialled = dialledNumber(number);
        if (!dialled.isEmpty())
            days.insert(dialled, std::max(day, days.value(dialled)));
    }
}

// The gateway's words: the answer's title and first line.
QString answerText(const LoggedSubmission& row)
{
    QStringList parts{row.answerTitle, row.answerLine};
    parts.removeAll(QString());
    return parts.join(QStringLiteral(" — "));
}

} // namespace

QList<SendResult> sendResults(const QList<LoggedSubmission>& rows)
{
    QList<SendResult> results;
    // The send a verification belongs to: the latest one the gateway took.
    qsizetype current = -1;
    for (const LoggedSubmission& row : rows) {
        if (row.kind == LoggedSubmission::Kind::Declined) {
            results << SendResult{row, SendResult::Outcome::Declined, row.at, row.answerLine};
            continue;
        }
        if (row.kind == LoggedSubmission::Kind::Send) {
            SendResult result{row, SendResult::Outcome::NotSubmitted, row.at, {}};
            if (!row.submitted) {
                result.reason = row.answerLine;
            } else if (row.refused) {
                result.outcome = SendResult::Outcome::Refused;
                result.reason = answerText(row);
            } else {
                result.reason = QStringLiteral("沒有送出認證");
            }
            results << result;
            current = row.submitted && !row.refused ? results.size() - 1 : -1;
            continue;
        }
        if (current < 0 || !row.submitted)
            continue;
        SendResult& result = results[current];
        // A later verification of a confirmed send changes nothing.
        if (result.outcome == SendResult::Outcome::Confirmed)
            continue;
        result.at = row.at;
        if (!row.answered) {
            result.outcome = SendResult::Outcome::NotConfirmed;
            result.reason.clear();
        } else if (row.refused) {
            result.outcome = SendResult::Outcome::Refused;
            result.reason = answerText(row);
        } else {
            result.outcome = SendResult::Outcome::Confirmed;
            result.reason.clear();
        }
    }
    return results;
}

bool GreetingRecord::handledSince(const QString& number, const QDate& day) const
{
    return onOrAfter(greeted, number, day) || onOrAfter(declined, number, day);
}

bool GreetingRecord::notConfirmedSince(const QString& number, const QDate& day) const
{
    return onOrAfter(notConfirmed, number, day);
}

GreetingRecord greetingRecord(const QList<SendResult>& results, const QDate& since)
{
    GreetingRecord record;
    for (const SendResult& result : results) {
        const QDate day = result.at.date();
        if (day < since)
            continue;
        switch (result.outcome) {
        case SendResult::Outcome::Confirmed:
            note(record.greeted, result.send.numbers, day);
            break;
        case SendResult::Outcome::NotConfirmed:
            note(record.notConfirmed, result.send.numbers, day);
            break;
        case SendResult::Outcome::Declined:
            note(record.declined, result.send.numbers, day);
            break;
        case SendResult::Outcome::Refused:
        case SendResult::Outcome::NotSubmitted:
            break;
        }
    }
    return record;
}

GreetingRecord greetingRecord(const SendLog& log, const QDate& since)
{
    return greetingRecord(sendResults(log.submissionsSince(since)), since);
}
