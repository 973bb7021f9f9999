#include "DatePicker.h"
#include "DemoGatewayProcess.h"
#include "FixedClock.h"
#include "GatewayAddress.h"
#include "LastUrl.h"
#include "Memo.h"
#include "RecordingDialogs.h"
#include "Unit1.h"
#include "WebEngineHost.h"

#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <memory>

// The real Qt WebEngine and the window against the demo gateway on a free
// port. Every check of what was sent reads the demo gateway's outbox file.
class TestGatewayE2E : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void startUpOpensSmsPageAsTheBrowserAnnouncesIt();
    void buttonsLogInSendVerifyAndLogOut_data();
    void buttonsLogInSendVerifyAndLogOut();
    void oneStepFromLogInPageToResult();
    void logInDoesNothingWhileLastUrlIsAnother();
    void missingFieldIsNamedAndEarlierFieldsStayFilled();
    void hostileValuesArriveByteForByte();
    void hostilePageCannotFoolTheSteps();

private:
    QString address(const QString& path) const { return m_base + path; }
    void load(const QString& address);
    void waitForTitle(const QString& title);
    void logInByButton();
    // Runs an empty step list: every step list started before it has answered.
    void settle();
    QVariant evaluate(const QString& script, quint32 world);
    QList<QJsonObject> outbox() const { return m_demo.outbox(); }

    QTemporaryDir m_dir;
    DemoGatewayProcess m_demo;
    QString m_base;
    RecordingDialogs m_dialogs;
    FixedClock m_clock;
    std::unique_ptr<WebEngineHost> m_browser;
    std::unique_ptr<TForm1> m_form;
    QWebEngineView* m_view = nullptr;
};

namespace {

constexpr int timeout = 15000;

// The demo gateway's account is itself hostile text: logging in proves the
// values reached the log-in form exactly.
const QString account = QStringLiteral("demo \"帳號\" \\ </script>'");
const QString password = QStringLiteral("p'w\"d\\\u2028密碼");
const QString code = QStringLiteral("12\"34\\</script>");

} // namespace

void TestGatewayE2E::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString failure =
        m_demo.start(QStringLiteral(SELVANTO_GATEWAY_DEMO),
                     {QStringLiteral("--account"), account, QStringLiteral("--password"), password,
                      QStringLiteral("--code"), code});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    m_base = m_demo.base();

    m_browser = std::make_unique<WebEngineHost>();
    m_view = qobject_cast<QWebEngineView*>(m_browser->widget());
    QVERIFY(m_view);
    const FormServices services{.exeDir = m_dir.path() + QLatin1Char('/'),
                                .gatewayBase = m_base,
                                .clock = &m_clock,
                                .dialogs = &m_dialogs,
                                .browser = m_browser.get()};
    m_form = std::make_unique<TForm1>(services);
    QSignalSpy loaded(m_browser.get(), &BrowserHost::documentComplete);
    m_form->show();
    QVERIFY(loaded.wait(timeout));
}

void TestGatewayE2E::cleanupTestCase()
{
    m_form.reset();
    m_browser.reset();
}

void TestGatewayE2E::init()
{
    // A chain step left pending would otherwise run on the logout page.
    m_form->ChainStep.clear();
    load(GatewayAddress::logoutPage(m_base));
    waitForTitle(QStringLiteral("已登出"));
    settle();
    m_dialogs.clear();
    m_form->Edit1->setText(account);
    m_form->Edit2->setText(password);
    m_form->Edit5->setText(code);
    const QList<QLineEdit*> boxes = m_form->recipientBoxes();
    for (QLineEdit* box : boxes)
        box->clear();
    m_form->Edit11->setText(QStringLiteral("0911111111"));
    m_form->Memo1->setText(QStringLiteral("生日快樂"));
    m_form->RadioButton1->setChecked(true);
}

void TestGatewayE2E::load(const QString& address)
{
    QSignalSpy loaded(m_browser.get(), &BrowserHost::documentComplete);
    m_browser->navigate(address);
    QVERIFY(loaded.wait(timeout));
}

void TestGatewayE2E::waitForTitle(const QString& title)
{
    QTRY_COMPARE_WITH_TIMEOUT(m_view->title(), title, timeout);
    // The title comes while the page is still being parsed; its forms are all
    // there once it has finished loading.
    QTRY_VERIFY_WITH_TIMEOUT(!m_view->page()->isLoading(), timeout);
}

void TestGatewayE2E::logInByButton()
{
    load(GatewayAddress::smsPage(m_base));
    waitForTitle(QStringLiteral("簡訊閘道登入"));
    m_form->BitBtn5->click();
    waitForTitle(QStringLiteral("簡訊發送"));
    QCOMPARE(m_form->ChainStep, QString());
}

void TestGatewayE2E::settle()
{
    auto answered = std::make_shared<bool>(false);
    m_browser->runSteps({}, [answered](const QString&) { *answered = true; });
    QTRY_VERIFY_WITH_TIMEOUT(*answered, timeout);
}

QVariant TestGatewayE2E::evaluate(const QString& script, quint32 world)
{
    auto result = std::make_shared<std::optional<QVariant>>();
    m_view->page()->runJavaScript(script, world,
                                  [result](const QVariant& value) { *result = value; });
    [&] { QTRY_VERIFY_WITH_TIMEOUT(result->has_value(), timeout); }();
    return result->value_or(QVariant());
}

void TestGatewayE2E::startUpOpensSmsPageAsTheBrowserAnnouncesIt()
{
    // The address the browser announces is exactly the normalised SMS page
    // address, also when the address was asked for in another spelling.
    load(GatewayAddress::smsPage(m_base));
    QCOMPARE(LastUrl, GatewayAddress::smsPage(m_base));
    const QString port = m_base.section(QLatin1Char(':'), -1);
    load(QStringLiteral("HTTP://127.0.0.1:%1/front_end/sms").arg(port));
    QCOMPARE(LastUrl, GatewayAddress::smsPage(m_base));
    QCOMPARE(GatewayAddress::normalised(QStringLiteral("HTTP://127.0.0.1:%1/").arg(port)), m_base);
    waitForTitle(QStringLiteral("簡訊閘道登入"));
}

void TestGatewayE2E::buttonsLogInSendVerifyAndLogOut_data()
{
    QTest::addColumn<bool>("scheduled");
    QTest::newRow("immediate") << false;
    QTest::newRow("scheduled") << true;
}

void TestGatewayE2E::buttonsLogInSendVerifyAndLogOut()
{
    QFETCH(bool, scheduled);
    const qsizetype sentBefore = outbox().size();
    logInByButton();

    m_form->Memo1->setText(QStringLiteral("生日快樂\n第二行"));
    m_form->Edit12->setText(QStringLiteral("0922222222"));
    m_form->Edit14->setText(QStringLiteral("0944444444"));
    if (scheduled) {
        m_form->RadioButton2->setChecked(true);
        m_form->DateTimePicker1->setDate(QDate(2026, 3, 5));
        m_form->ComboBox1->setCurrentText(QStringLiteral("9"));
        m_form->ComboBox2->setCurrentText(QStringLiteral("30"));
    }
    m_form->PageControl1->setCurrentIndex(0);
    m_form->BitBtn4->click();
    QCOMPARE(m_form->PageControl1->currentIndex(), 1);
    waitForTitle(QStringLiteral("簡訊認證"));
    m_form->BitBtn6->click();
    waitForTitle(QStringLiteral("簡訊已送出"));
    QVERIFY2(m_dialogs.shown().isEmpty(), qPrintable(m_dialogs.texts().join(QLatin1Char('|'))));

    const QList<QJsonObject> sent = outbox();
    QCOMPARE(sent.size(), sentBefore + 1);
    const QJsonObject message = sent.last();
    QCOMPARE(message.value(QStringLiteral("account")).toString(), account);
    QCOMPARE(message.value(QStringLiteral("text")).toString(),
             QStringLiteral("生日快樂\r\n第二行"));
    QCOMPARE(message.value(QStringLiteral("mobiles")).toArray(),
             (QJsonArray{"0911111111", "0922222222", "", "0944444444", ""}));
    QCOMPARE(message.value(QStringLiteral("sendType")).toString(),
             scheduled ? QStringLiteral("scheduled") : QStringLiteral("immediate"));
    if (scheduled) {
        QCOMPARE(message.value(QStringLiteral("schedule")).toObject(),
                 (QJsonObject{{"year", "2026"},
                              {"month", "03"},
                              {"day", "05"},
                              {"hour", "9"},
                              {"minute", "30"}}));
    }

    m_form->BitBtn1->click();
    waitForTitle(QStringLiteral("已登出"));
    QCOMPARE(LastUrl, GatewayAddress::logoutPage(m_base));
    load(GatewayAddress::smsPage(m_base));
    waitForTitle(QStringLiteral("簡訊閘道登入"));
}

void TestGatewayE2E::oneStepFromLogInPageToResult()
{
    const qsizetype sentBefore = outbox().size();
    load(GatewayAddress::smsPage(m_base));
    waitForTitle(QStringLiteral("簡訊閘道登入"));
    m_form->Memo1->setText(QStringLiteral("一次完成"));
    m_form->BitBtn7->click();
    QCOMPARE(m_form->ChainStep, QStringLiteral("Send"));
    waitForTitle(QStringLiteral("簡訊已送出"));
    QTRY_COMPARE_WITH_TIMEOUT(outbox().size(), sentBefore + 1, timeout);
    QCOMPARE(m_form->ChainStep, QString());
    QCOMPARE(outbox().last().value(QStringLiteral("text")).toString(), QStringLiteral("一次完成"));
    QCOMPARE(outbox().last().value(QStringLiteral("mobiles")).toArray().first().toString(),
             QStringLiteral("0911111111"));
    QVERIFY2(m_dialogs.shown().isEmpty(), qPrintable(m_dialogs.texts().join(QLatin1Char('|'))));
}

void TestGatewayE2E::logInDoesNothingWhileLastUrlIsAnother()
{
    // The log-in form is shown, but the browser's last address is not the SMS page's.
    load(GatewayAddress::smsPage(m_base) + QStringLiteral("?from=elsewhere"));
    waitForTitle(QStringLiteral("簡訊閘道登入"));
    m_form->BitBtn5->click();
    m_form->BitBtn7->click();
    settle();
    QCOMPARE(m_form->ChainStep, QString());
    QVERIFY2(m_dialogs.shown().isEmpty(), qPrintable(m_dialogs.texts().join(QLatin1Char('|'))));
    QCOMPARE(evaluate(QStringLiteral("document.getElementById('fuid').value"),
                      QWebEngineScript::ApplicationWorld),
             QVariant(QString()));
    QCOMPARE(m_view->title(), QStringLiteral("簡訊閘道登入"));
}

void TestGatewayE2E::missingFieldIsNamedAndEarlierFieldsStayFilled()
{
    logInByButton();
    // The page's own script removes one of the mobile fields.
    evaluate(QStringLiteral("document.getElementsByName('mobile04')[0].remove()"),
             QWebEngineScript::MainWorld);
    m_form->Edit12->setText(QStringLiteral("0922222222"));
    m_form->Edit13->setText(QStringLiteral("0933333333"));
    m_form->ChainStep = QStringLiteral("Send");
    m_form->PageControl1->setCurrentIndex(0);
    m_form->BitBtn4->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.errors(),
                              QStringList{QStringLiteral("找不到網頁欄位 \"mobile04\"")}, timeout);
    QCOMPARE(m_form->ChainStep, QStringLiteral("Auth"));
    QCOMPARE(m_form->PageControl1->currentIndex(), 1);
    const QVariant filled =
        evaluate(QStringLiteral("['InputMsg'].map(id => document.getElementById(id).value).concat("
                                "['mobile01', 'mobile02', 'mobile03', 'mobile05']"
                                ".map(name => document.getElementsByName(name)[0].value))"),
                 QWebEngineScript::ApplicationWorld);
    QCOMPARE(filled.toStringList(),
             (QStringList{QStringLiteral("生日快樂"), QStringLiteral("0911111111"),
                          QStringLiteral("0922222222"), QStringLiteral("0933333333"), QString()}));
    QCOMPARE(m_view->title(), QStringLiteral("簡訊發送"));
}

void TestGatewayE2E::hostileValuesArriveByteForByte()
{
    const QString nasty =
        QStringLiteral("\"'\\</script><script>window.pwned=1</script>\u2028\u2029") + QChar(0) +
        QStringLiteral("`${1}`&amp;%00+%2B 今天");
    // The message box itself turns line and paragraph separators into line
    // breaks; the one-line boxes keep them.
    QString message = nasty + QStringLiteral("\r\n第二行\r\n") + QString(3000, QChar(0x7965));
    message.remove(QChar(0x2028)).remove(QChar(0x2029));
    const qsizetype sentBefore = outbox().size();
    logInByButton();
    m_form->Memo1->setText(message);
    QCOMPARE(m_form->Memo1->text(), message);
    const QList<QLineEdit*> boxes = m_form->recipientBoxes();
    for (qsizetype k = 0; k < boxes.size(); ++k)
        boxes[k]->setText(nasty + QString::number(k));
    m_form->RadioButton2->setChecked(true);
    m_form->DateTimePicker1->setDate(QDate(2026, 12, 31));
    m_form->ComboBox1->setCurrentText(nasty);
    m_form->ComboBox2->setCurrentText(QStringLiteral("</script>\\"));
    m_form->BitBtn4->click();
    waitForTitle(QStringLiteral("簡訊認證"));
    m_form->BitBtn6->click();
    waitForTitle(QStringLiteral("簡訊已送出"));
    QVERIFY2(m_dialogs.shown().isEmpty(), qPrintable(m_dialogs.texts().join(QLatin1Char('|'))));

    const QList<QJsonObject> sent = outbox();
    QCOMPARE(sent.size(), sentBefore + 1);
    const QJsonObject received = sent.last();
    QCOMPARE(received.value(QStringLiteral("text")).toString(), message);
    const QJsonArray mobiles = received.value(QStringLiteral("mobiles")).toArray();
    QCOMPARE(mobiles.size(), 5);
    for (qsizetype k = 0; k < mobiles.size(); ++k)
        QCOMPARE(mobiles.at(k).toString(), nasty + QString::number(k));
    QCOMPARE(received.value(QStringLiteral("schedule")).toObject(),
             (QJsonObject{{"year", "2026"},
                          {"month", "12"},
                          {"day", "31"},
                          {"hour", nasty},
                          {"minute", "</script>\\"}}));
    // Nothing of it ran as script in the page either.
    QCOMPARE(evaluate(QStringLiteral("typeof window.pwned"), QWebEngineScript::MainWorld),
             QVariant(QStringLiteral("undefined")));
}

void TestGatewayE2E::hostilePageCannotFoolTheSteps()
{
    const qsizetype sentBefore = outbox().size();
    logInByButton();
    // The page's own scripts replace the DOM functions a form filler would
    // use, add decoys and a control named "submit" that hides form.submit.
    evaluate(QStringLiteral(R"JS(
        const decoy = document.createElement('textarea');
        document.body.appendChild(decoy);
        const form = document.forms[1];
        const named = document.createElement('input');
        named.type = 'hidden';
        named.name = 'submit';
        form.appendChild(named);
        document.getElementById = () => decoy;
        Document.prototype.getElementById = () => decoy;
        Document.prototype.getElementsByTagName = () => [decoy];
        HTMLCollection.prototype.item = () => decoy;
        Element.prototype.getAttribute = () => 'mobile01';
        HTMLFormElement.prototype.submit = function () { window.hijacked = true; };
        HTMLElement.prototype.click = function () { window.hijacked = true; };
        EventTarget.prototype.dispatchEvent = function () { window.hijacked = true; };
        for (const type of [HTMLInputElement, HTMLTextAreaElement])
            Object.defineProperty(type.prototype, 'value', { set(v) { window.stolen = v; }, get() { return ''; } });
        JSON.parse = () => [];
        window.atob = () => '';
        'replaced';
    )JS"),
             QWebEngineScript::MainWorld);
    m_form->Memo1->setText(QStringLiteral("不會被攔截"));
    m_form->BitBtn4->click();
    waitForTitle(QStringLiteral("簡訊認證"));
    m_form->BitBtn6->click();
    waitForTitle(QStringLiteral("簡訊已送出"));
    QVERIFY2(m_dialogs.shown().isEmpty(), qPrintable(m_dialogs.texts().join(QLatin1Char('|'))));
    const QList<QJsonObject> sent = outbox();
    QCOMPARE(sent.size(), sentBefore + 1);
    QCOMPARE(sent.last().value(QStringLiteral("text")).toString(), QStringLiteral("不會被攔截"));
    QCOMPARE(sent.last().value(QStringLiteral("mobiles")).toArray(),
             (QJsonArray{"0911111111", "", "", "", ""}));
    QCOMPARE(sent.last().value(QStringLiteral("sendType")).toString(), QStringLiteral("immediate"));
}

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    TestGatewayE2E test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_gateway_e2e.moc"
