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

// How the demo misbehaves, as real gateways do at times.
struct DemoBehaviour
{
    bool refuseLogIn = false;      // every log-in refused, the log-in form shown again
    bool refuseCode = false;       // every verification code refused, its form shown again
    bool alertRefusals = false;    // refusals said in an alert box on a plain page
    bool dropVerification = false; // the verification taken, its connection then dropped
    bool hangVerification = false; // the verification taken, its answer never finished
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
    enum class Delivery
    {
        Whole,
        Dropped,   // the connection is closed without an answer
        Unfinished // the answer starts and never finishes
    } delivery = Delivery::Whole;
};

// The demo gateway's behaviour without the HTTP server: log-in, sending form,
// verification, log-out and the outbox. Safe to call from several threads.
class DemoGateway
{
public:
    explicit DemoGateway(DemoAccount account, QString outboxFile = {},
                         DemoBehaviour behaviour = {});

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
    // A refusal, on its own page or in an alert box.
    DemoResponse refuse(const QString& title, const QString& text, const QString& formAgain) const;

    const DemoAccount m_account;
    const DemoBehaviour m_behaviour;
    const QString m_outboxFile;
    mutable QMutex m_mutex;
    QHash<QString, Session> m_sessions;
    QList<SentMessage> m_outbox;
};
