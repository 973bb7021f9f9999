#include "DemoPages.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

QString page(const QString& title, const QString& body)
{
    return QStringLiteral(
               "<!DOCTYPE html>\n<html lang=\"zh-Hant\"><head><meta charset=\"utf-8\">"
               "<title>%1</title></head>\n<body>\n<h1>%1</h1>\n%2\n"
               "<p><a href=\"/front_end/sms\">簡訊發送</a> · <a href=\"/outbox\">寄件匣</a>"
               "</p>\n</body></html>\n")
        .arg(title.toHtmlEscaped(), body);
}

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

QString describe(const SentMessage& message)
{
    QString recipients;
    for (const QString& mobile : message.mobiles) {
        if (!mobile.isEmpty())
            recipients += QStringLiteral("<li class=\"mobile\">%1</li>").arg(escaped(mobile));
    }
    const QString when = message.scheduled ? QStringLiteral("預約 %1/%2/%3 %4:%5")
                                                 .arg(escaped(message.year), escaped(message.month),
                                                      escaped(message.day), escaped(message.hour),
                                                      escaped(message.minute))
                                           : QStringLiteral("立即發送");
    return QStringLiteral("<p>帳號: %1</p><p>時間: %2</p><ul>%3</ul><pre class=\"text\">%4</pre>")
        .arg(escaped(message.account), when, recipients, escaped(message.text));
}

QString refusalLine(const QString& refusal)
{
    return refusal.isEmpty() ? QString()
                             : QStringLiteral("<p class=\"notice\">%1</p>\n").arg(escaped(refusal));
}

} // namespace

namespace DemoPages {

QString logIn(const QString& refusal)
{
    return page(
        QStringLiteral("簡訊閘道登入"),
        refusalLine(refusal) +
            QStringLiteral("<form method=\"post\" action=\"/front_end/login\">\n"
                           "<label>帳號 <input type=\"text\" id=\"fuid\" name=\"fuid\"></label>\n"
                           "<label>密碼 <input type=\"password\" name=\"pwd\"></label>\n"
                           "<input type=\"submit\" id=\"submit\" value=\"登入\">\n"
                           "</form>"));
}

QString sending(const QString& account)
{
    QString mobiles;
    for (int k = 1; k <= 5; ++k)
        mobiles += QStringLiteral("<input type=\"text\" name=\"mobile%1\">\n")
                       .arg(k, 2, 10, QLatin1Char('0'));
    return page(
        QStringLiteral("簡訊發送"),
        QStringLiteral(
            "<form method=\"get\" action=\"/front_end/Logout\">帳號 %1 "
            "<input type=\"submit\" value=\"登出\"></form>\n"
            "<form method=\"post\" action=\"/front_end/send\">\n"
            "<textarea id=\"InputMsg\" name=\"InputMsg\" rows=\"4\" cols=\"40\"></textarea>\n"
            "<div>接收者門號 %2</div>\n"
            "<label><input type=\"radio\" name=\"sendType\" value=\"now\">立即發送</label>\n"
            "<label><input type=\"radio\" name=\"sendType\" value=\"schedule\">預約發送</label>\n"
            "<input type=\"text\" name=\"year\" size=\"4\">年 "
            "<input type=\"text\" name=\"month\" size=\"2\">月 "
            "<input type=\"text\" name=\"day\" size=\"2\">日 "
            "<input type=\"text\" name=\"hour\" size=\"2\">時 "
            "<input type=\"text\" name=\"minute\" size=\"2\">分\n"
            "<input type=\"submit\" value=\"發送\">\n"
            "</form>")
            .arg(escaped(account), mobiles));
}

QString verification(const QString& refusal)
{
    return page(
        QStringLiteral("簡訊認證"),
        refusalLine(refusal) +
            QStringLiteral("<form method=\"post\" action=\"/front_end/auth\">\n"
                           "<label>認證碼 <input type=\"password\" name=\"auth_code\"></label>\n"
                           "<input type=\"submit\" name=\"submit\" value=\"認證\">\n"
                           "</form>"));
}

QString alert(const QString& text)
{
    // The text reaches the script as a JSON string, and cannot end the script element.
    QString literal = QString::fromUtf8(
        QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact).chopped(1).mid(1));
    literal.replace(QStringLiteral("</"), QStringLiteral("<\\/"));
    return page(QStringLiteral("簡訊閘道"),
                QStringLiteral("<script>alert(%1);</script>\n<p>請按返回。</p>").arg(literal));
}

QString result(const SentMessage& message)
{
    return page(QStringLiteral("簡訊已送出"), describe(message));
}

QString notice(const QString& title, const QString& text)
{
    return page(title, QStringLiteral("<p class=\"notice\">%1</p>").arg(escaped(text)));
}

QString outbox(const QList<SentMessage>& messages)
{
    QString body;
    for (const SentMessage& message : messages)
        body += QStringLiteral("<div class=\"message\">%1</div>\n").arg(describe(message));
    if (messages.isEmpty())
        body = QStringLiteral("<p>寄件匣是空的。</p>");
    return page(QStringLiteral("寄件匣"), body);
}

} // namespace DemoPages
