#include "HistoryTable.h"

namespace HistoryTable {

QStringList columns()
{
    return {QStringLiteral("時間"), QStringLiteral("動作"),     QStringLiteral("姓名"),
            QStringLiteral("門號"), QStringLiteral("發送方式"), QStringLiteral("結果")};
}

QStringList row(const LoggedSubmission& submission)
{
    const bool send = submission.kind == LoggedSubmission::Kind::Send;
    QString outcome;
    if (!submission.submitted)
        outcome = QStringLiteral("未送出：") + submission.answerLine;
    else if (!submission.answered)
        outcome = QStringLiteral("已送出，未收到回應");
    else {
        QStringList answer{submission.answerTitle, submission.answerLine};
        answer.removeAll(QString());
        outcome = answer.join(QStringLiteral(" — "));
    }
    QStringList names;
    for (const QString& name : submission.names) {
        if (!name.isEmpty())
            names << name;
    }
    return {submission.at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            send ? QStringLiteral("發送簡訊") : QStringLiteral("認證"),
            names.join(QStringLiteral("、")),
            submission.numbers.join(QStringLiteral("、")),
            !send                           ? QString()
            : submission.schedule.isEmpty() ? QStringLiteral("立即發送")
                                            : QStringLiteral("預約 ") + submission.schedule,
            outcome};
}

} // namespace HistoryTable
