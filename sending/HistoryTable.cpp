#include "HistoryTable.h"

namespace HistoryTable {

QStringList columns()
{
    return {QStringLiteral("時間"),     QStringLiteral("姓名"),     QStringLiteral("門號"),
            QStringLiteral("簡訊內容"), QStringLiteral("發送方式"), QStringLiteral("結果")};
}

QList<QStringList> rows(const QList<LoggedSubmission>& submissions)
{
    const QList<SendResult> results = sendResults(submissions);
    QList<QStringList> table;
    table.reserve(results.size());
    for (auto it = results.crbegin(); it != results.crend(); ++it)
        table << row(*it);
    return table;
}

QStringList row(const SendResult& result)
{
    const LoggedSubmission& send = result.send;
    QString outcome;
    switch (result.outcome) {
    case SendResult::Outcome::Confirmed:
        outcome = QStringLiteral("已送出");
        break;
    case SendResult::Outcome::Refused:
        outcome = QStringLiteral("被拒絕");
        break;
    case SendResult::Outcome::NotConfirmed:
        outcome = QStringLiteral("未確認");
        break;
    case SendResult::Outcome::NotSubmitted:
    case SendResult::Outcome::Declined:
        outcome = QStringLiteral("未送出");
        break;
    }
    if (!result.reason.isEmpty())
        outcome += QStringLiteral("：") + result.reason;
    QStringList names;
    for (const QString& name : send.names) {
        if (!name.isEmpty())
            names << name;
    }
    QString how;
    if (send.kind == LoggedSubmission::Kind::Send)
        how = send.schedule.isEmpty() ? QStringLiteral("立即發送")
                                      : QStringLiteral("預約 ") + send.schedule;
    // The message on one line: the grid and the command line show one row each.
    QString message = send.message;
    message.replace(QStringLiteral("\r\n"), QStringLiteral(" ⏎ "));
    message.replace(QLatin1Char('\n'), QStringLiteral(" ⏎ "));
    return {send.at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            names.join(QStringLiteral("、")),
            send.numbers.join(QStringLiteral("、")),
            message,
            how,
            outcome};
}

} // namespace HistoryTable
