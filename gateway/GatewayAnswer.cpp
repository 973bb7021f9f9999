#include "GatewayAnswer.h"

namespace GatewayAnswer {

namespace {

bool holdsAny(const QString& text, const QStringList& words)
{
    for (const QString& word : words) {
        if (text.contains(word, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool showsFormAgain(Step step, const AnswerPage& page)
{
    switch (step) {
    case Step::LogIn:
        return page.hasLogInForm;
    case Step::Send:
        return page.hasFilledSendForm;
    case Step::Verify:
        return page.hasVerifyForm;
    }
    return false;
}

QString stepName(Step step)
{
    switch (step) {
    case Step::LogIn:
        return QStringLiteral("登入");
    case Step::Send:
        return QStringLiteral("發送");
    case Step::Verify:
        return QStringLiteral("認證");
    }
    return {};
}

} // namespace

const QStringList& refusalWords()
{
    static const QStringList words{QStringLiteral("失敗"),      QStringLiteral("錯誤"),
                                   QStringLiteral("無效"),      QStringLiteral("不正確"),
                                   QStringLiteral("逾時"),      QStringLiteral("error"),
                                   QStringLiteral("fail"),      QStringLiteral("invalid"),
                                   QStringLiteral("incorrect"), QStringLiteral("denied")};
    return words;
}

const QStringList& successWords()
{
    static const QStringList words{QStringLiteral("成功"), QStringLiteral("已送出"),
                                   QStringLiteral("完成"), QStringLiteral("success"),
                                   QStringLiteral("sent")};
    return words;
}

bool isRefusal(Step step, const AnswerPage& page)
{
    if (showsFormAgain(step, page))
        return true;
    for (const QString& alert : page.alerts) {
        if (holdsAny(alert, refusalWords()))
            return true;
    }
    // Only the top of the page speaks for the answer: a help text further
    // down may well mention failures.
    for (const QString& text : {page.title, page.firstLine}) {
        if (holdsAny(text, successWords()))
            return false;
    }
    return holdsAny(page.title, refusalWords()) || holdsAny(page.firstLine, refusalWords());
}

QString detail(const AnswerPage& page)
{
    QStringList parts{page.firstLine.trimmed()};
    for (const QString& alert : page.alerts) {
        if (holdsAny(alert, refusalWords()))
            parts << alert.trimmed();
    }
    parts.removeAll(QString());
    parts.removeDuplicates();
    return parts.join(QStringLiteral(" — "));
}

QString reason(const AnswerPage& page)
{
    QStringList parts{page.title.trimmed(), detail(page)};
    parts.removeAll(QString());
    return parts.join(QStringLiteral(" — "));
}

QString refusalText(Step step, const AnswerPage& page)
{
    QString quoted = reason(page);
    if (quoted.isEmpty())
        quoted = QStringLiteral("（頁面沒有文字）");
    static const QString endings = QStringLiteral("。！？.!?");
    if (!endings.contains(quoted.back()))
        quoted += QStringLiteral("。");
    return QStringLiteral("%1沒有成功，閘道回覆：%2").arg(stepName(step), quoted);
}

} // namespace GatewayAnswer
