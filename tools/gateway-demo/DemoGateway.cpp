#include "DemoGateway.h"

#include "DemoPages.h"

#include <QFile>
#include <QJsonDocument>
#include <QUuid>

DemoGateway::DemoGateway(DemoAccount account, QString outboxFile, DemoBehaviour behaviour)
    : m_account(std::move(account)), m_behaviour(behaviour), m_outboxFile(std::move(outboxFile))
{}

DemoResponse DemoGateway::refuse(const QString& title, const QString& text,
                                 const QString& formAgain) const
{
    DemoResponse response;
    if (m_behaviour.alertRefusals)
        response.html = DemoPages::alert(text);
    else if (!formAgain.isEmpty())
        response.html = formAgain;
    else
        response.html = DemoPages::notice(title, text);
    return response;
}

DemoResponse DemoGateway::handle(const DemoRequest& request)
{
    QMutexLocker lock(&m_mutex);
    QString sessionId = request.sessionId;
    QString newSession;
    if (sessionId.isEmpty() || !m_sessions.contains(sessionId)) {
        sessionId = QUuid::createUuid().toString(QUuid::WithoutBraces);
        newSession = sessionId;
    }
    Session& session = m_sessions[sessionId];

    DemoResponse response;
    const bool post = request.method == QLatin1String("POST");
    if (request.path == QLatin1String("/"))
        response.redirect = QStringLiteral("/front_end/sms");
    else if (request.path == QLatin1String("/front_end/sms"))
        response = smsPage(session);
    else if (post && request.path == QLatin1String("/front_end/login"))
        response = logIn(session, request);
    else if (post && request.path == QLatin1String("/front_end/send"))
        response = send(session, request);
    else if (post && request.path == QLatin1String("/front_end/auth"))
        response = verify(session, request);
    else if (request.path == QLatin1String("/front_end/Logout")) {
        session = Session();
        response.html =
            DemoPages::notice(QStringLiteral("已登出"), QStringLiteral("您已登出簡訊閘道。"));
    } else if (request.path == QLatin1String("/outbox"))
        response.html = DemoPages::outbox(m_outbox);
    else {
        response.found = false;
        response.html = DemoPages::notice(QStringLiteral("找不到網頁"), request.path);
    }
    response.newSession = newSession;
    return response;
}

QList<SentMessage> DemoGateway::outbox() const
{
    QMutexLocker lock(&m_mutex);
    return m_outbox;
}

DemoResponse DemoGateway::smsPage(const Session& session) const
{
    DemoResponse response;
    response.html = session.loggedIn ? DemoPages::sending(m_account.account) : DemoPages::logIn();
    return response;
}

DemoResponse DemoGateway::logIn(Session& session, const DemoRequest& request) const
{
    DemoResponse response;
    if (m_behaviour.refuseLogIn)
        return refuse(QStringLiteral("登入失敗"), QStringLiteral("帳號或密碼錯誤。"),
                      DemoPages::logIn(QStringLiteral("帳號或密碼錯誤，請重新登入。")));
    if (request.fields.value(QStringLiteral("fuid")) != m_account.account ||
        request.fields.value(QStringLiteral("pwd")) != m_account.password)
        return refuse(QStringLiteral("登入失敗"), QStringLiteral("帳號或密碼錯誤。"), {});
    session.loggedIn = true;
    response.redirect = QStringLiteral("/front_end/sms");
    return response;
}

DemoResponse DemoGateway::send(Session& session, const DemoRequest& request) const
{
    DemoResponse response;
    if (!session.loggedIn) {
        response.html =
            DemoPages::notice(QStringLiteral("請先登入"), QStringLiteral("請先登入簡訊閘道。"));
        return response;
    }
    const QString sendType = request.fields.value(QStringLiteral("sendType"));
    if (sendType != QLatin1String("now") && sendType != QLatin1String("schedule")) {
        response.html =
            DemoPages::notice(QStringLiteral("發送失敗"), QStringLiteral("請選擇發送方式。"));
        return response;
    }
    SentMessage message;
    message.account = m_account.account;
    message.text = request.fields.value(QStringLiteral("InputMsg"));
    for (int k = 1; k <= 5; ++k)
        message.mobiles << request.fields.value(
            QStringLiteral("mobile%1").arg(k, 2, 10, QLatin1Char('0')));
    message.scheduled = sendType == QLatin1String("schedule");
    if (message.scheduled) {
        message.year = request.fields.value(QStringLiteral("year"));
        message.month = request.fields.value(QStringLiteral("month"));
        message.day = request.fields.value(QStringLiteral("day"));
        message.hour = request.fields.value(QStringLiteral("hour"));
        message.minute = request.fields.value(QStringLiteral("minute"));
    }
    session.pending = message;
    response.html = DemoPages::verification();
    return response;
}

DemoResponse DemoGateway::verify(Session& session, const DemoRequest& request)
{
    DemoResponse response;
    if (!session.loggedIn || !session.pending) {
        response.html =
            DemoPages::notice(QStringLiteral("認證失敗"), QStringLiteral("沒有待認證的簡訊。"));
        return response;
    }
    if (m_behaviour.refuseCode)
        return refuse(QStringLiteral("認證失敗"), QStringLiteral("認證碼錯誤。"),
                      DemoPages::verification(QStringLiteral("認證碼錯誤，請重新輸入。")));
    if (request.fields.value(QStringLiteral("auth_code")) != m_account.code)
        return refuse(QStringLiteral("認證失敗"), QStringLiteral("認證碼錯誤。"), {});
    SentMessage message = *std::exchange(session.pending, std::nullopt);
    message.acceptedAt = QDateTime::currentDateTime();
    keep(message);
    response.html = DemoPages::result(message);
    if (m_behaviour.dropVerification)
        response.delivery = DemoResponse::Delivery::Dropped;
    else if (m_behaviour.hangVerification)
        response.delivery = DemoResponse::Delivery::Unfinished;
    return response;
}

void DemoGateway::keep(const SentMessage& message)
{
    m_outbox << message;
    if (m_outboxFile.isEmpty())
        return;
    QFile file(m_outboxFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        qWarning("cannot write the outbox file %s: %s", qPrintable(m_outboxFile),
                 qPrintable(file.errorString()));
        return;
    }
    file.write(QJsonDocument(message.toJson()).toJson(QJsonDocument::Compact) + '\n');
}
