#pragma once

#include "SentMessage.h"

#include <QHash>
#include <QMap>
#include <QMutex>
#include <optional>

struct DemoAccount
{
    QString account = QStringLiteral("demo");
    QString password = QStringLiteral("demo");
    QString code = QStringLiteral("1234");
};

struct DemoRequest
{
    QString method; // "GET" or "POST"
    QString path;
    QString sessionId; // from the session cookie, empty when there is none
    QMap<QString, QString> fields;
};

struct DemoResponse
{
    QString html;       // a page, unless redirect is set
    QString redirect;   // path to send the browser to (303 See Other)
    QString newSession; // a session to set in the cookie
    bool found = true;
};

// The demo gateway's behaviour without the HTTP server: log-in, sending form,
// verification, log-out and the outbox. Safe to call from several threads.
class DemoGateway
{
public:
    explicit DemoGateway(DemoAccount account, QString outboxFile = {});

    DemoResponse handle(const DemoRequest& request);
    QList<SentMessage> outbox() const;

private:
    struct Session
    {
        bool loggedIn = false;
        std::optional<SentMessage> pending;
    };

    DemoResponse smsPage(const Session& session) const;
    DemoResponse logIn(Session& session, const DemoRequest& request) const;
    DemoResponse send(Session& session, const DemoRequest& request) const;
    DemoResponse verify(Session& session, const DemoRequest& request);
    void keep(const SentMessage& message);

    const DemoAccount m_account;
    const QString m_outboxFile;
    mutable QMutex m_mutex;
    QHash<QString, Session> m_sessions;
    QList<SentMessage> m_outbox;
};
