#include "DemoGateway.h"
#include "FormBody.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

class TestGatewayDemo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void logInPageUntilLoggedIn();
    void wrongAccountPasswordOrCode_data();
    void wrongAccountPasswordOrCode();
    void sendNeedsLogInAndASendingType();
    void acceptedMessageKeptExactlyInOutboxAndFile();
    void scheduledMessageKeepsItsTime();
    void logoutEndsTheSession();
    void pagesEscapeWhatTheyShow();
    void unknownPathIsNotFound();
    void misbehaviours_data();
    void misbehaviours();
    void formBodies_data();
    void formBodies();

private:
    // Sends one request in the current session, starting one when needed.
    DemoResponse request(const QString& method, const QString& path,
                         const QMap<QString, QString>& fields = {});
    void logIn();
    QMap<QString, QString> sendingForm(const QString& text) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DemoGateway> m_gateway;
    QString m_session;
};

void TestGatewayDemo::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_gateway = std::make_unique<DemoGateway>(
        DemoAccount{QStringLiteral("帳號"), QStringLiteral("p\"w"), QStringLiteral("1234")},
        m_dir->filePath(QStringLiteral("outbox.jsonl")));
    m_session.clear();
}

DemoResponse TestGatewayDemo::request(const QString& method, const QString& path,
                                      const QMap<QString, QString>& fields)
{
    const DemoResponse response = m_gateway->handle({method, path, m_session, fields});
    if (!response.newSession.isEmpty())
        m_session = response.newSession;
    return response;
}

void TestGatewayDemo::logIn()
{
    const DemoResponse response =
        request(QStringLiteral("POST"), QStringLiteral("/front_end/login"),
                {{QStringLiteral("fuid"), QStringLiteral("帳號")},
                 {QStringLiteral("pwd"), QStringLiteral("p\"w")}});
    QCOMPARE(response.redirect, QStringLiteral("/front_end/sms"));
}

QMap<QString, QString> TestGatewayDemo::sendingForm(const QString& text) const
{
    return {{QStringLiteral("InputMsg"), text},
            {QStringLiteral("mobile01"), QStringLiteral("0911")},
            {QStringLiteral("mobile02"), QString()},
            {QStringLiteral("mobile03"), QStringLiteral("0933")},
            {QStringLiteral("mobile04"), QString()},
            {QStringLiteral("mobile05"), QString()},
            {QStringLiteral("sendType"), QStringLiteral("now")}};
}

Q_DECLARE_METATYPE(DemoBehaviour)

// Each switch makes the verification (or the log-in) answer as a gateway that
// says no, drops the line or never finishes would; what is taken is kept.
void TestGatewayDemo::misbehaviours_data()
{
    QTest::addColumn<DemoBehaviour>("behaviour");
    QTest::addColumn<QString>("page"); // what the verification's page holds
    QTest::addColumn<int>("delivery");
    QTest::addColumn<int>("kept");
    QTest::newRow("code refused") << DemoBehaviour{false, true, false, false, false}
                                  << "name=\"auth_code\"" << int(DemoResponse::Delivery::Whole)
                                  << 0;
    QTest::newRow("refusal in an alert")
        << DemoBehaviour{false, true, true, false, false} << "alert(\"認證碼錯誤。\")"
        << int(DemoResponse::Delivery::Whole) << 0;
    QTest::newRow("connection dropped")
        << DemoBehaviour{false, false, false, true, false} << "簡訊已送出"
        << int(DemoResponse::Delivery::Dropped) << 1;
    QTest::newRow("answer never finishes")
        << DemoBehaviour{false, false, false, false, true} << "簡訊已送出"
        << int(DemoResponse::Delivery::Unfinished) << 1;
}

void TestGatewayDemo::misbehaviours()
{
    QFETCH(DemoBehaviour, behaviour);
    QFETCH(QString, page);
    QFETCH(int, delivery);
    QFETCH(int, kept);
    m_gateway = std::make_unique<DemoGateway>(
        DemoAccount{QStringLiteral("帳號"), QStringLiteral("p\"w"), QStringLiteral("1234")},
        QString(), behaviour);
    logIn();
    request(QStringLiteral("POST"), QStringLiteral("/front_end/send"), sendingForm("hi"));
    const DemoResponse answer = request(QStringLiteral("POST"), QStringLiteral("/front_end/auth"),
                                        {{QStringLiteral("auth_code"), QStringLiteral("1234")}});
    QVERIFY2(answer.html.contains(page), qPrintable(answer.html));
    QCOMPARE(int(answer.delivery), delivery);
    QCOMPARE(m_gateway->outbox().size(), kept);

    m_gateway = std::make_unique<DemoGateway>(DemoAccount{}, QString(),
                                              DemoBehaviour{true, false, false, false, false});
    const DemoResponse refused = request(QStringLiteral("POST"), QStringLiteral("/front_end/login"),
                                         {{QStringLiteral("fuid"), QStringLiteral("demo")},
                                          {QStringLiteral("pwd"), QStringLiteral("demo")}});
    QVERIFY(refused.redirect.isEmpty());
    QVERIFY(refused.html.contains(QLatin1String("name=\"pwd\"")));
}

void TestGatewayDemo::logInPageUntilLoggedIn()
{
    const DemoResponse first = request(QStringLiteral("GET"), QStringLiteral("/front_end/sms"));
    QVERIFY(!first.newSession.isEmpty());
    QVERIFY(first.html.contains(QLatin1String("id=\"fuid\"")));
    QVERIFY(first.html.contains(QLatin1String("name=\"pwd\"")));
    QVERIFY(first.html.contains(QLatin1String("id=\"submit\"")));
    QVERIFY(!first.html.contains(QLatin1String("InputMsg")));

    logIn();
    const DemoResponse sending = request(QStringLiteral("GET"), QStringLiteral("/front_end/sms"));
    QVERIFY(sending.newSession.isEmpty());
    QVERIFY(sending.html.contains(QLatin1String("id=\"InputMsg\"")));
    for (const char* field : {"mobile01", "mobile05", "year", "month", "day", "hour", "minute"})
        QVERIFY2(sending.html.contains(QStringLiteral("name=\"%1\"").arg(QLatin1String(field))),
                 field);
    // The sending form is the page's second form.
    const qsizetype second = sending.html.indexOf(QLatin1String("<form"),
                                                  sending.html.indexOf(QLatin1String("<form")) + 1);
    QVERIFY(second > 0);
    QVERIFY(sending.html.indexOf(QLatin1String("InputMsg")) > second);
}

void TestGatewayDemo::wrongAccountPasswordOrCode_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("notice");
    QTest::newRow("account") << "帳號 "
                             << "p\"w"
                             << "1234"
                             << "帳號或密碼錯誤";
    QTest::newRow("password case") << "帳號"
                                   << "P\"w"
                                   << "1234"
                                   << "帳號或密碼錯誤";
    QTest::newRow("code") << "帳號"
                          << "p\"w"
                          << "12345"
                          << "認證碼錯誤";
}

void TestGatewayDemo::wrongAccountPasswordOrCode()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(QString, code);
    QFETCH(QString, notice);
    const DemoResponse logInAnswer =
        request(QStringLiteral("POST"), QStringLiteral("/front_end/login"),
                {{QStringLiteral("fuid"), account}, {QStringLiteral("pwd"), password}});
    if (logInAnswer.redirect.isEmpty()) {
        QVERIFY(logInAnswer.html.contains(notice));
        return;
    }
    request(QStringLiteral("POST"), QStringLiteral("/front_end/send"),
            sendingForm(QStringLiteral("x")));
    const DemoResponse authAnswer =
        request(QStringLiteral("POST"), QStringLiteral("/front_end/auth"),
                {{QStringLiteral("auth_code"), code}});
    QVERIFY(authAnswer.html.contains(notice));
    QVERIFY(m_gateway->outbox().isEmpty());
}

void TestGatewayDemo::sendNeedsLogInAndASendingType()
{
    DemoResponse answer = request(QStringLiteral("POST"), QStringLiteral("/front_end/send"),
                                  sendingForm(QStringLiteral("x")));
    QVERIFY(answer.html.contains(QStringLiteral("請先登入")));
    logIn();
    QMap<QString, QString> form = sendingForm(QStringLiteral("x"));
    form.remove(QStringLiteral("sendType"));
    answer = request(QStringLiteral("POST"), QStringLiteral("/front_end/send"), form);
    QVERIFY(answer.html.contains(QStringLiteral("請選擇發送方式")));
    answer = request(QStringLiteral("POST"), QStringLiteral("/front_end/auth"),
                     {{QStringLiteral("auth_code"), QStringLiteral("1234")}});
    QVERIFY(answer.html.contains(QStringLiteral("沒有待認證的簡訊")));
    QVERIFY(m_gateway->outbox().isEmpty());
}

void TestGatewayDemo::acceptedMessageKeptExactlyInOutboxAndFile()
{
    const QString text =
        QStringLiteral("生日快樂\r\n\"'\\</script>\u2028") + QChar(0) + QStringLiteral("end");
    logIn();
    const DemoResponse verification =
        request(QStringLiteral("POST"), QStringLiteral("/front_end/send"), sendingForm(text));
    // The verification form is the first form of its page.
    QVERIFY(verification.html.indexOf(QLatin1String("auth_code")) >
            verification.html.indexOf(QLatin1String("<form")));
    QCOMPARE(verification.html.count(QLatin1String("<form")), 1);
    QVERIFY(m_gateway->outbox().isEmpty());

    const DemoResponse result = request(QStringLiteral("POST"), QStringLiteral("/front_end/auth"),
                                        {{QStringLiteral("auth_code"), QStringLiteral("1234")}});
    QVERIFY(result.html.contains(QStringLiteral("簡訊已送出")));
    QCOMPARE(m_gateway->outbox().size(), 1);
    const SentMessage sent = m_gateway->outbox().first();
    QCOMPARE(sent.text, text);
    QCOMPARE(sent.mobiles, (QStringList{"0911", "", "0933", "", ""}));
    QVERIFY(!sent.scheduled);
    QCOMPARE(sent.account, QStringLiteral("帳號"));

    QFile file(m_dir->filePath(QStringLiteral("outbox.jsonl")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.last().isEmpty());
    const QJsonObject json = QJsonDocument::fromJson(lines.first()).object();
    QCOMPARE(json.value(QStringLiteral("text")).toString(), text);
    QCOMPARE(json.value(QStringLiteral("sendType")).toString(), QStringLiteral("immediate"));

    // The same code does not send the message twice.
    request(QStringLiteral("POST"), QStringLiteral("/front_end/auth"),
            {{QStringLiteral("auth_code"), QStringLiteral("1234")}});
    QCOMPARE(m_gateway->outbox().size(), 1);
}

void TestGatewayDemo::scheduledMessageKeepsItsTime()
{
    logIn();
    QMap<QString, QString> form = sendingForm(QStringLiteral("x"));
    form.insert(QStringLiteral("sendType"), QStringLiteral("schedule"));
    form.insert(QStringLiteral("year"), QStringLiteral("2026"));
    form.insert(QStringLiteral("month"), QStringLiteral("03"));
    form.insert(QStringLiteral("day"), QStringLiteral("05"));
    form.insert(QStringLiteral("hour"), QStringLiteral("9"));
    form.insert(QStringLiteral("minute"), QStringLiteral("00"));
    request(QStringLiteral("POST"), QStringLiteral("/front_end/send"), form);
    request(QStringLiteral("POST"), QStringLiteral("/front_end/auth"),
            {{QStringLiteral("auth_code"), QStringLiteral("1234")}});
    QCOMPARE(m_gateway->outbox().size(), 1);
    const QJsonObject json = m_gateway->outbox().first().toJson();
    QCOMPARE(json.value(QStringLiteral("sendType")).toString(), QStringLiteral("scheduled"));
    QCOMPARE(
        json.value(QStringLiteral("schedule")).toObject(),
        (QJsonObject{
            {"year", "2026"}, {"month", "03"}, {"day", "05"}, {"hour", "9"}, {"minute", "00"}}));
}

void TestGatewayDemo::logoutEndsTheSession()
{
    logIn();
    request(QStringLiteral("POST"), QStringLiteral("/front_end/send"),
            sendingForm(QStringLiteral("x")));
    const DemoResponse logout = request(QStringLiteral("GET"), QStringLiteral("/front_end/Logout"));
    QVERIFY(logout.html.contains(QStringLiteral("已登出")));
    QVERIFY(request(QStringLiteral("GET"), QStringLiteral("/front_end/sms"))
                .html.contains(QLatin1String("fuid")));
    request(QStringLiteral("POST"), QStringLiteral("/front_end/auth"),
            {{QStringLiteral("auth_code"), QStringLiteral("1234")}});
    QVERIFY(m_gateway->outbox().isEmpty());
}

void TestGatewayDemo::pagesEscapeWhatTheyShow()
{
    logIn();
    request(QStringLiteral("POST"), QStringLiteral("/front_end/send"),
            sendingForm(QStringLiteral("<script>alert(\"x\")</script>&")));
    const DemoResponse result = request(QStringLiteral("POST"), QStringLiteral("/front_end/auth"),
                                        {{QStringLiteral("auth_code"), QStringLiteral("1234")}});
    QVERIFY(!result.html.contains(QLatin1String("<script>")));
    QVERIFY(result.html.contains(
        QLatin1String("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;&amp;")));
    const DemoResponse outbox = request(QStringLiteral("GET"), QStringLiteral("/outbox"));
    QVERIFY(!outbox.html.contains(QLatin1String("<script>")));
    QVERIFY(outbox.html.contains(QLatin1String("0933")));
}

void TestGatewayDemo::unknownPathIsNotFound()
{
    QVERIFY(!request(QStringLiteral("GET"), QStringLiteral("/nothing")).found);
    QCOMPARE(request(QStringLiteral("GET"), QStringLiteral("/")).redirect,
             QStringLiteral("/front_end/sms"));
    // Log-in, send and verify answer only form submissions.
    QVERIFY(!request(QStringLiteral("GET"), QStringLiteral("/front_end/login")).found);
}

void TestGatewayDemo::formBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("namesAndValues");
    QTest::newRow("empty") << QByteArray() << QStringList{};
    QTest::newRow("plus is a space, %2B a plus")
        << QByteArray("a=1+2%2B3&b=") << QStringList{"a", "1 2+3", "b", ""};
    QTest::newRow("UTF-8 and NUL")
        << QByteArray("InputMsg=%E4%BB%8A%00%E2%80%A8x")
        << QStringList{"InputMsg", QStringLiteral("今") + QChar(0) + QStringLiteral("\u2028x")};
    QTest::newRow("first value wins, bare name")
        << QByteArray("sendType=now&sendType=schedule&flag&&c=%3D%26")
        << QStringList{"c", "=&", "flag", "", "sendType", "now"};
}

void TestGatewayDemo::formBodies()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, namesAndValues);
    const QMap<QString, QString> fields = parseFormBody(body);
    QStringList flattened;
    for (auto it = fields.begin(); it != fields.end(); ++it)
        flattened << it.key() << it.value();
    QCOMPARE(flattened, namesAndValues);
}

QTEST_GUILESS_MAIN(TestGatewayDemo)
#include "test_gateway_demo.moc"
