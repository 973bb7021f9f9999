#include "DomRunner.h"
#include "GatewayActions.h"
#include "GatewayAddress.h"
#include "GatewayAnswer.h"
#include "OneStepChain.h"
#include "PageWait.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(DomSteps)
Q_DECLARE_METATYPE(AnswerPage)

class TestGateway : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void normalisedAddress_data();
    void normalisedAddress();
    void environmentOverridesBuiltInAddress();
    void pageAddresses();
    void origins_data();
    void origins();

    void logInSteps();
    void sendImmediateSteps();
    void sendScheduledSteps_data();
    void sendScheduledSteps();
    void sendWritesAllFiveMobileFields();
    void verifySteps();

    void scriptCarriesStepsOnlyAsData_data();
    void scriptCarriesStepsOnlyAsData();
    void failureTexts_data();
    void failureTexts();

    void refusalRule_data();
    void refusalRule();
    void refusalInTheGatewaysWords();

    void chainDecisions_data();
    void chainDecisions();
    void pageWait_data();
    void pageWait();
};

namespace {

const QString hostile = QStringLiteral("\"'\\</script><script>alert(1)</script>\u2028\u2029") +
                        QChar(0) + QStringLiteral("\r\n今天生日快樂`${x}`");

} // namespace

void TestGateway::cleanup()
{
    qunsetenv("SELVANTO_GATEWAY_URL");
}

void TestGateway::normalisedAddress_data()
{
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QString>("expected");
    QTest::newRow("already normal") << "http://127.0.0.1:8080"
                                    << "http://127.0.0.1:8080";
    QTest::newRow("upper case, default port, slash") << "HTTP://Example.com:80/"
                                                     << "http://example.com";
    QTest::newRow("https default port") << "https://SMS.Example.COM:443"
                                        << "https://sms.example.com";
    QTest::newRow("http on 443 keeps its port") << "http://example.com:443"
                                                << "http://example.com:443";
    QTest::newRow("other port kept") << "http://localhost:8080/"
                                     << "http://localhost:8080";
    QTest::newRow("several slashes") << "http://example.com///"
                                     << "http://example.com";
    QTest::newRow("path kept, case too") << "http://Example.com/Gateway/"
                                         << "http://example.com/Gateway";
    QTest::newRow("surrounding blanks") << "  http://example.com/ \n"
                                        << "http://example.com";
    QTest::newRow("not an address") << "gateway"
                                    << "gateway";
}

void TestGateway::normalisedAddress()
{
    QFETCH(QString, configured);
    QFETCH(QString, expected);
    QCOMPARE(GatewayAddress::normalised(configured), expected);
    QCOMPARE(GatewayAddress::normalised(expected), expected);
}

void TestGateway::environmentOverridesBuiltInAddress()
{
    qunsetenv("SELVANTO_GATEWAY_URL");
    QCOMPARE(GatewayAddress::configured(QStringLiteral("http://127.0.0.1:8080/")),
             QStringLiteral("http://127.0.0.1:8080"));
    qputenv("SELVANTO_GATEWAY_URL", "HTTP://Gateway.Example:80/");
    QCOMPARE(GatewayAddress::configured(QStringLiteral("http://127.0.0.1:8080")),
             QStringLiteral("http://gateway.example"));
    qputenv("SELVANTO_GATEWAY_URL", "");
    QCOMPARE(GatewayAddress::configured(QStringLiteral("http://127.0.0.1:8080")),
             QStringLiteral("http://127.0.0.1:8080"));
}

void TestGateway::pageAddresses()
{
    const QString base = QStringLiteral("http://127.0.0.1:8080");
    QCOMPARE(GatewayAddress::smsPage(base), QStringLiteral("http://127.0.0.1:8080/front_end/sms"));
    QCOMPARE(GatewayAddress::logoutPage(base),
             QStringLiteral("http://127.0.0.1:8080/front_end/Logout"));
}

void TestGateway::origins_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("origin");
    QTest::newRow("port kept") << "http://127.0.0.1:18600/front_end/sms?x=1#y"
                               << "http://127.0.0.1:18600";
    QTest::newRow("default port dropped") << "HTTPS://Sms.Example.com:443/a"
                                          << "https://sms.example.com";
    // As the page's own location.origin gives it, whichever form was written.
    QTest::newRow("international name") << "http://簡訊.台灣/front_end/sms"
                                        << "http://xn--j3zw8z.xn--kpry57d";
    QTest::newRow("international name, ASCII") << "http://xn--j3zw8z.xn--kpry57d:8080"
                                               << "http://xn--j3zw8z.xn--kpry57d:8080";
    QTest::newRow("look-alike") << "http://gооgle.com" // Cyrillic о
                                << "http://xn--ggle-55da.com";
    QTest::newRow("IPv6") << "http://[::1]:8080/x"
                          << "http://[::1]:8080";
}

void TestGateway::origins()
{
    QFETCH(QString, address);
    QFETCH(QString, origin);
    QCOMPARE(GatewayAddress::origin(address), origin);
    QCOMPARE(GatewayAddress::origin(GatewayAddress::normalised(address)), origin);
}

void TestGateway::logInSteps()
{
    const DomSteps steps = GatewayActions::logIn(QStringLiteral("帳號 "), QStringLiteral(" p\"w"));
    const DomSteps expected{DomStep::setById(QStringLiteral("fuid"), QStringLiteral("帳號 ")),
                            DomStep::setNamed(QStringLiteral("pwd"), 0, QStringLiteral(" p\"w")),
                            DomStep::clickById(QStringLiteral("submit"))};
    QCOMPARE(steps, expected);
}

void TestGateway::sendImmediateSteps()
{
    SendValues values;
    values.message = QStringLiteral("生日快樂\r\n第二行");
    values.recipients = QStringList{QStringLiteral("0911"), QStringLiteral("0922"), QString(),
                                    QStringLiteral("0944"), QStringLiteral(" 0955 ")};
    values.immediate = true;
    values.date = QDate(2026, 3, 5);
    values.hour = QStringLiteral("9");
    values.minute = QStringLiteral("00");

    const DomSteps expected{
        DomStep::setById(QStringLiteral("InputMsg"), values.message),
        DomStep::setNamed(QStringLiteral("mobile01"), 0, QStringLiteral("0911")),
        DomStep::setNamed(QStringLiteral("mobile02"), 0, QStringLiteral("0922")),
        DomStep::setNamed(QStringLiteral("mobile03"), 0, QString()),
        DomStep::setNamed(QStringLiteral("mobile04"), 0, QStringLiteral("0944")),
        DomStep::setNamed(QStringLiteral("mobile05"), 0, QStringLiteral(" 0955 ")),
        DomStep::clickNamed(QStringLiteral("sendType"), 0),
        DomStep::submitForm(1)};
    QCOMPARE(GatewayActions::send(values), expected);
}

void TestGateway::sendScheduledSteps_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("hour");
    QTest::addColumn<QString>("minute");
    QTest::addColumn<QStringList>("written");
    QTest::newRow("leading zeros on month and day")
        << QDate(2026, 3, 5) << "9"
        << "00" << QStringList{"2026", "03", "05", "9", "00"};
    QTest::newRow("two-digit month and day") << QDate(2026, 12, 31) << "24"
                                             << "45" << QStringList{"2026", "12", "31", "24", "45"};
    QTest::newRow("hour and minute exactly as typed")
        << QDate(999, 1, 9) << " 07 "
        << "5x" << QStringList{"0999", "01", "09", " 07 ", "5x"};
}

void TestGateway::sendScheduledSteps()
{
    QFETCH(QDate, date);
    QFETCH(QString, hour);
    QFETCH(QString, minute);
    QFETCH(QStringList, written);
    SendValues values;
    values.message = QStringLiteral("hi");
    values.recipients = QStringList{QStringLiteral("0911")};
    values.immediate = false;
    values.date = date;
    values.hour = hour;
    values.minute = minute;

    const DomSteps steps = GatewayActions::send(values);
    QCOMPARE(steps.size(), 13);
    QCOMPARE(steps.at(6), DomStep::clickNamed(QStringLiteral("sendType"), 1));
    const QStringList fields{"year", "month", "day", "hour", "minute"};
    for (int i = 0; i < fields.size(); ++i)
        QCOMPARE(steps.at(7 + i), DomStep::setNamed(fields.at(i), 0, written.at(i)));
    QCOMPARE(steps.last(), DomStep::submitForm(1));
}

void TestGateway::sendWritesAllFiveMobileFields()
{
    SendValues values;
    values.recipients = QStringList{QStringLiteral("0911")};
    const DomSteps steps = GatewayActions::send(values);
    for (int k = 1; k <= 5; ++k) {
        const DomStep& step = steps.at(k);
        QCOMPARE(step.lookup, DomStep::Lookup::ByNameOrId);
        QCOMPARE(step.name, QStringLiteral("mobile0%1").arg(k));
        QCOMPARE(step.index, 0);
        QCOMPARE(step.action, DomStep::Action::SetValue);
        QCOMPARE(step.value, k == 1 ? QStringLiteral("0911") : QString());
    }
}

void TestGateway::verifySteps()
{
    const DomSteps expected{
        DomStep::setFormControl(0, QStringLiteral("auth_code"), QStringLiteral("12 34")),
        DomStep::submitForm(0)};
    QCOMPARE(GatewayActions::verify(QStringLiteral("12 34")), expected);
}

void TestGateway::scriptCarriesStepsOnlyAsData_data()
{
    QTest::addColumn<DomSteps>("steps");
    QTest::newRow("log in") << GatewayActions::logIn(hostile, hostile);
    SendValues values;
    values.message = hostile + QString(5000, QLatin1Char('x'));
    values.recipients = QStringList{hostile, hostile, hostile, hostile, hostile};
    values.immediate = false;
    values.date = QDate(2026, 3, 5);
    values.hour = hostile;
    values.minute = hostile;
    QTest::newRow("send") << GatewayActions::send(values);
    QTest::newRow("verify") << GatewayActions::verify(hostile);
}

void TestGateway::scriptCarriesStepsOnlyAsData()
{
    QFETCH(DomSteps, steps);
    const QString origin = QStringLiteral("http://127.0.0.1:8080");
    const QString script = DomRunner::script(origin, steps);

    // The script is the same fixed text whatever the values; they follow it
    // only as Base64, which has no character that could end a string.
    const DomSteps blank{DomStep::clickById(QStringLiteral("x"))};
    const QString blankScript = DomRunner::script(origin, blank);
    const QString fixedPart = blankScript.left(blankScript.lastIndexOf(QStringLiteral(",\"")));
    QVERIFY(script.startsWith(fixedPart));
    static const QRegularExpression tail(QStringLiteral(",\"([A-Za-z0-9+/=]*)\"\\)$"));
    const QRegularExpressionMatch match = tail.match(script);
    QVERIFY(match.hasMatch());
    QCOMPARE(match.capturedStart(), fixedPart.size());

    const QJsonArray decoded =
        QJsonDocument::fromJson(QByteArray::fromBase64(match.captured(1).toLatin1())).array();
    QCOMPARE(decoded.size(), steps.size());
    for (qsizetype i = 0; i < steps.size(); ++i) {
        QCOMPARE(decoded.at(i).toObject(), steps.at(i).toJson());
        QCOMPARE(decoded.at(i).toObject().value(QStringLiteral("value")).toString(),
                 steps.at(i).value);
    }
}

void TestGateway::failureTexts_data()
{
    QTest::addColumn<DomSteps>("steps");
    QTest::addColumn<QVariant>("result");
    QTest::addColumn<QString>("text");
    const DomSteps logIn = GatewayActions::logIn(QStringLiteral("a"), QStringLiteral("b"));
    const DomSteps verify = GatewayActions::verify(QStringLiteral("1"));
    auto missing = [](int step, bool form) {
        return QVariant(QVariantMap{{QStringLiteral("missingStep"), step},
                                    {QStringLiteral("missingForm"), form}});
    };
    QTest::newRow("all done") << logIn << QVariant(QVariantMap()) << QString();
    QTest::newRow("by id") << logIn << missing(0, false) << "找不到網頁欄位 \"fuid\"";
    QTest::newRow("by name") << logIn << missing(1, false) << "找不到網頁欄位 \"pwd\"";
    QTest::newRow("form control") << verify << missing(0, false) << "找不到網頁欄位 \"auth_code\"";
    QTest::newRow("form of a control") << verify << missing(0, true) << "找不到網頁的第 1 個表單";
    QTest::newRow("second form") << DomSteps{DomStep::submitForm(1)} << missing(0, false)
                                 << "找不到網頁的第 2 個表單";
    QTest::newRow("another site's form")
        << logIn
        << QVariant(QVariantMap{{QStringLiteral("foreignTarget"), QStringLiteral("evil:81")}})
        << "閘道網頁的表單要送到別的網站（evil:81），已停止，未送出任何資料";
    QTest::newRow("field outside the form")
        << logIn << QVariant(QVariantMap{{QStringLiteral("outsideStep"), 1}})
        << "網頁欄位 \"pwd\" 不在要送出的表單裡，未送出任何資料";
    QTest::newRow("script error") << logIn
                                  << QVariant(QVariantMap{
                                         {QStringLiteral("error"), QStringLiteral("TypeError: x")}})
                                  << "網頁操作失敗: TypeError: x";
    QTest::newRow("no answer") << logIn << QVariant() << "網頁操作沒有完成";
    QTest::newRow("step out of range") << logIn << missing(7, false) << "網頁操作沒有完成";
}

void TestGateway::failureTexts()
{
    QFETCH(DomSteps, steps);
    QFETCH(QVariant, result);
    QFETCH(QString, text);
    QCOMPARE(DomRunner::failureText(steps, result), text);
}

// Answer pages as gateways write them, for the step just submitted.
namespace {

AnswerPage page(const QString& title, const QString& line, const QStringList& alerts = {},
                bool logInForm = false, bool filledSendForm = false, bool verifyForm = false)
{
    return AnswerPage{title, line, alerts, logInForm, filledSendForm, verifyForm};
}

} // namespace

void TestGateway::refusalRule_data()
{
    using Step = GatewayAnswer::Step;
    QTest::addColumn<int>("step");
    QTest::addColumn<AnswerPage>("page");
    QTest::addColumn<bool>("refused");
    // Accepted.
    QTest::newRow("sent") << int(Step::Verify) << page("簡訊已送出", "帳號: demo") << false;
    QTest::newRow("counts with a zero failure")
        << int(Step::Verify) << page("發送結果", "發送成功 3 筆，失敗 0 筆") << false;
    QTest::newRow("help text further down")
        << int(Step::Verify) << page("簡訊發送完成", "若發送失敗請洽客服") << false;
    QTest::newRow("plain page after log-in")
        << int(Step::LogIn) << page("簡訊發送", "帳號 demo") << false;
    QTest::newRow("verification form after send")
        << int(Step::Send) << page("簡訊認證", "認證碼", {}, false, false, true) << false;
    QTest::newRow("English success")
        << int(Step::Verify) << page("SMS", "Message sent to 2 recipients") << false;
    QTest::newRow("alert without a refusal")
        << int(Step::Verify) << page("簡訊", "", {"感謝您的使用"}) << false;
    // Refused by words.
    QTest::newRow("wrong code") << int(Step::Verify) << page("認證失敗", "認證碼錯誤。") << true;
    QTest::newRow("log-in failed")
        << int(Step::LogIn) << page("登入失敗", "帳號或密碼錯誤。") << true;
    QTest::newRow("only the line") << int(Step::Verify) << page("簡訊閘道", "驗證碼不正確") << true;
    QTest::newRow("expired session")
        << int(Step::Send) << page("簡訊閘道", "連線逾時，請重新登入") << true;
    QTest::newRow("English error")
        << int(Step::Verify) << page("Error", "The code you entered is incorrect") << true;
    QTest::newRow("English denied") << int(Step::LogIn) << page("Gateway", "Access denied") << true;
    QTest::newRow("alert box") << int(Step::Verify) << page("簡訊閘道", "請稍候", {"認證碼無效"})
                               << true;
    // Refused by showing the step's form again.
    QTest::newRow("log-in form again")
        << int(Step::LogIn) << page("簡訊閘道登入", "帳號", {}, true) << true;
    QTest::newRow("filled message again")
        << int(Step::Send) << page("簡訊發送", "帳號 demo", {}, false, true) << true;
    QTest::newRow("verification form again")
        << int(Step::Verify) << page("簡訊認證", "請輸入認證碼", {}, false, false, true) << true;
    QTest::newRow("success words do not hide a form shown again")
        << int(Step::Verify) << page("登入成功", "", {}, false, false, true) << true;
}

void TestGateway::refusalRule()
{
    QFETCH(int, step);
    QFETCH(AnswerPage, page);
    QFETCH(bool, refused);
    QCOMPARE(GatewayAnswer::isRefusal(GatewayAnswer::Step(step), page), refused);
}

void TestGateway::refusalInTheGatewaysWords()
{
    QCOMPARE(
        GatewayAnswer::refusalText(GatewayAnswer::Step::Verify, page("認證失敗", "認證碼錯誤。")),
        QStringLiteral("認證沒有成功，閘道回覆：認證失敗 — 認證碼錯誤。"));
    QCOMPARE(GatewayAnswer::refusalText(GatewayAnswer::Step::LogIn,
                                        page("簡訊閘道登入", "", {"密碼錯誤"}, true)),
             QStringLiteral("登入沒有成功，閘道回覆：簡訊閘道登入 — 密碼錯誤。"));
}

void TestGateway::chainDecisions_data()
{
    QTest::addColumn<QString>("chainStep");
    QTest::addColumn<int>("next");
    QTest::addColumn<QString>("afterSend");
    QTest::newRow("empty") << "" << int(OneStepChain::Next::Nothing) << "";
    QTest::newRow("Send") << "Send" << int(OneStepChain::Next::PressSend) << "Auth";
    QTest::newRow("Auth") << "Auth" << int(OneStepChain::Next::PressVerify) << "Auth";
    QTest::newRow("case matters") << "send" << int(OneStepChain::Next::Nothing) << "send";
    QTest::newRow("no trimming") << "Auth " << int(OneStepChain::Next::Nothing) << "Auth ";
}

void TestGateway::chainDecisions()
{
    QFETCH(QString, chainStep);
    QFETCH(int, next);
    QFETCH(QString, afterSend);
    QCOMPARE(int(OneStepChain::onDocumentComplete(chainStep)), next);
    QCOMPARE(OneStepChain::afterSend(chainStep), afterSend);
    QCOMPARE(OneStepChain::afterLogIn(true), QStringLiteral("Send"));
    QCOMPARE(OneStepChain::afterLogIn(false), QString());
    QCOMPARE(OneStepChain::afterVerify(), QString());
}

// Which completed pages may act: only the awaited page or the answer to the
// program's own submission, and nothing after any other navigation.
void TestGateway::pageWait_data()
{
    QTest::addColumn<int>("waitFor"); // 1 page load, 2 submission
    QTest::addColumn<QList<int>>("navigations");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("outcome");
    using K = NavigationKind;
    using O = PageWait::Outcome;
    QTest::newRow("page loads") << 1 << QList<int>{int(K::Program)} << true << int(O::PageLoaded);
    QTest::newRow("page redirected, loads")
        << 1 << QList<int>{int(K::Redirect)} << true << int(O::PageLoaded);
    QTest::newRow("page fails") << 1 << QList<int>{} << false << int(O::LoadFailed);
    QTest::newRow("link while the page loads")
        << 1 << QList<int>{int(K::LinkClicked)} << true << int(O::None);
    QTest::newRow("answer") << 2 << QList<int>{int(K::FormSubmitted), int(K::Redirect)} << true
                            << int(O::AnswerLoaded);
    QTest::newRow("answer fails") << 2 << QList<int>{int(K::FormSubmitted)} << false
                                  << int(O::LoadFailed);
    QTest::newRow("load before the submission") << 2 << QList<int>{} << true << int(O::None);
    QTest::newRow("link instead of the submission")
        << 2 << QList<int>{int(K::LinkClicked)} << true << int(O::None);
    QTest::newRow("page goes elsewhere before the answer")
        << 2 << QList<int>{int(K::FormSubmitted), int(K::Other)} << true << int(O::None);
    QTest::newRow("second submission is not the answer")
        << 2 << QList<int>{int(K::FormSubmitted), int(K::FormSubmitted)} << true << int(O::None);
}

void TestGateway::pageWait()
{
    QFETCH(int, waitFor);
    QFETCH(QList<int>, navigations);
    QFETCH(bool, loaded);
    QFETCH(int, outcome);
    PageWait wait;
    if (waitFor == 1)
        wait.waitForPageLoad();
    else
        wait.waitForSubmission();
    for (int kind : navigations)
        wait.navigation(NavigationKind(kind));
    QCOMPARE(int(wait.completed(loaded)), outcome);
    // Only an earlier load, finishing before the submission, leaves the wait on.
    QCOMPARE(wait.isWaiting(), waitFor == 2 && navigations.isEmpty());
}

QTEST_GUILESS_MAIN(TestGateway)
#include "test_gateway.moc"
