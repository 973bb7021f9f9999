#include "BrowserWindow.h"
#include "DatePicker.h"
#include "DemoGatewayProcess.h"
#include "GatewayAddress.h"
#include "Memo.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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

public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void startUpOpensSmsPageAsTheBrowserAnnouncesIt();
    void buttonsLogInSendVerifyAndLogOut_data();
    void buttonsLogInSendVerifyAndLogOut();
    void oneStepFromLogInPageToResult();
    void logInOnAnotherAddressSaysSo();
    void missingFieldIsNamedAndEarlierFieldsStayFilled();
    void hostileValuesArriveByteForByte();
    void hostilePageCannotFoolTheSteps();

private:
    TForm1& form() { return m_window->form(); }
    RecordingDialogs& dialogs() { return m_window->dialogs(); }
    void logInByButton();
    // Passes the verification page on to the result page and returns the one
    // message that reached the outbox meanwhile (an empty one if none did).
    QJsonObject verifyAndTakeSent(qsizetype sentBefore);
    QList<QJsonObject> outbox() const { return m_demo.outbox(); }

    QTemporaryDir m_dir;
    int m_tests = 0;
    QString m_number; // the first recipient, one per test
    DemoGatewayProcess m_demo;
    QString m_base;
    std::unique_ptr<BrowserWindow> m_window;
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

    m_window = std::make_unique<BrowserWindow>(m_dir.path(), m_base, timeout);
    QVERIFY(m_window->view());
    m_window->showAndWaitForPage();
}

void TestGatewayE2E::cleanupTestCase()
{
    m_window.reset();
}

void TestGatewayE2E::init()
{
    // A chain step left pending would otherwise run on the logout page.
    form().ChainStep.clear();
    m_window->load(GatewayAddress::logoutPage(m_base));
    m_window->waitForTitle(QStringLiteral("已登出"));
    m_window->settle();
    dialogs().clear();
    form().Edit1->setText(account);
    form().Edit2->setText(password);
    form().Edit5->setText(code);
    const QList<QLineEdit*> boxes = form().recipientBoxes();
    for (QLineEdit* box : boxes)
        box->clear();
    // A number of its own: the folder's send log knows the earlier tests' numbers as greeted.
    m_number = QStringLiteral("09111111%1").arg(++m_tests, 2, 10, QLatin1Char('0'));
    form().Edit11->setText(m_number);
    form().Memo1->setText(QStringLiteral("生日快樂"));
    form().RadioButton1->setChecked(true);
}

void TestGatewayE2E::logInByButton()
{
    m_window->load(GatewayAddress::smsPage(m_base));
    m_window->waitForTitle(QStringLiteral("簡訊閘道登入"));
    form().BitBtn5->click();
    m_window->waitForTitle(QStringLiteral("簡訊發送"));
    QCOMPARE(form().ChainStep, QString());
}

QJsonObject TestGatewayE2E::verifyAndTakeSent(qsizetype sentBefore)
{
    QJsonObject message;
    [&] {
        m_window->waitForTitle(QStringLiteral("簡訊認證"));
        form().BitBtn6->click();
        m_window->waitForTitle(QStringLiteral("簡訊已送出"));
        QVERIFY2(dialogs().shown().isEmpty(), qPrintable(dialogs().texts().join(QLatin1Char('|'))));

        const QList<QJsonObject> sent = outbox();
        QCOMPARE(sent.size(), sentBefore + 1);
        message = sent.last();
    }();
    return message;
}

void TestGatewayE2E::startUpOpensSmsPageAsTheBrowserAnnouncesIt()
{
    // The address the browser announces is exactly the normalised SMS page
    // address, also when the address was asked for in another spelling.
    m_window->load(GatewayAddress::smsPage(m_base));
    QCOMPARE(m_window->browser().lastUrl(), GatewayAddress::smsPage(m_base));
    const QString port = m_base.section(QLatin1Char(':'), -1);
    m_window->load(QStringLiteral("HTTP://127.0.0.1:%1/front_end/sms").arg(port));
    QCOMPARE(m_window->browser().lastUrl(), GatewayAddress::smsPage(m_base));
    QCOMPARE(GatewayAddress::normalised(QStringLiteral("HTTP://127.0.0.1:%1/").arg(port)), m_base);
    m_window->waitForTitle(QStringLiteral("簡訊閘道登入"));
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

    form().Memo1->setText(QStringLiteral("生日快樂\n第二行"));
    const QString second = QStringLiteral("0922%1").arg(m_tests);
    const QString fourth = QStringLiteral("0944%1").arg(m_tests);
    form().Edit12->setText(second);
    form().Edit14->setText(fourth);
    if (scheduled) {
        form().RadioButton2->setChecked(true);
        form().DateTimePicker1->setDate(QDate(2026, 3, 5));
        form().ComboBox1->setCurrentText(QStringLiteral("9"));
        form().ComboBox2->setCurrentText(QStringLiteral("30"));
    }
    form().PageControl1->setCurrentIndex(0);
    form().BitBtn4->click();
    QCOMPARE(form().PageControl1->currentIndex(), 1);
    const QJsonObject message = verifyAndTakeSent(sentBefore);
    QCOMPARE(message.value(QStringLiteral("account")).toString(), account);
    QCOMPARE(message.value(QStringLiteral("text")).toString(),
             QStringLiteral("生日快樂\r\n第二行"));
    QCOMPARE(message.value(QStringLiteral("mobiles")).toArray(),
             (QJsonArray{m_number, second, "", fourth, ""}));
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

    form().BitBtn1->click();
    m_window->waitForTitle(QStringLiteral("已登出"));
    QCOMPARE(m_window->browser().lastUrl(), GatewayAddress::logoutPage(m_base));
    m_window->load(GatewayAddress::smsPage(m_base));
    m_window->waitForTitle(QStringLiteral("簡訊閘道登入"));
}

void TestGatewayE2E::oneStepFromLogInPageToResult()
{
    const qsizetype sentBefore = outbox().size();
    m_window->load(GatewayAddress::smsPage(m_base));
    m_window->waitForTitle(QStringLiteral("簡訊閘道登入"));
    form().Memo1->setText(QStringLiteral("一次完成"));
    form().BitBtn7->click();
    m_window->waitForTitle(QStringLiteral("簡訊已送出"));
    QTRY_COMPARE_WITH_TIMEOUT(outbox().size(), sentBefore + 1, timeout);
    QCOMPARE(form().ChainStep, QString());
    QCOMPARE(outbox().last().value(QStringLiteral("text")).toString(), QStringLiteral("一次完成"));
    QCOMPARE(outbox().last().value(QStringLiteral("mobiles")).toArray().first().toString(),
             m_number);
    QVERIFY2(dialogs().shown().isEmpty(), qPrintable(dialogs().texts().join(QLatin1Char('|'))));
}

void TestGatewayE2E::logInOnAnotherAddressSaysSo()
{
    // The log-in form is shown, but the browser's last address is not the SMS page's.
    m_window->load(GatewayAddress::smsPage(m_base) + QStringLiteral("?from=elsewhere"));
    m_window->waitForTitle(QStringLiteral("簡訊閘道登入"));
    form().BitBtn5->click();
    m_window->settle();
    QCOMPARE(form().ChainStep, QString());
    // The press is not silent: the user is told why nothing happened.
    QCOMPARE(dialogs().messages().size(), 1);
    QVERIFY(dialogs().messages().first().contains(QStringLiteral("?from=elsewhere")));
    QCOMPARE(m_window->evaluate(QStringLiteral("document.getElementById('fuid').value"),
                                QWebEngineScript::ApplicationWorld),
             QVariant(QString()));
    QCOMPARE(m_window->view()->title(), QStringLiteral("簡訊閘道登入"));
}

void TestGatewayE2E::missingFieldIsNamedAndEarlierFieldsStayFilled()
{
    logInByButton();
    // The page's own script removes one of the mobile fields.
    m_window->evaluate(QStringLiteral("document.getElementsByName('mobile04')[0].remove()"),
                       QWebEngineScript::MainWorld);
    form().Edit12->setText(QStringLiteral("0922222222"));
    form().Edit13->setText(QStringLiteral("0933333333"));
    form().ChainStep = QStringLiteral("Send");
    form().PageControl1->setCurrentIndex(0);
    form().BitBtn4->click();
    QTRY_COMPARE_WITH_TIMEOUT(dialogs().errors(),
                              QStringList{QStringLiteral("找不到網頁欄位 \"mobile04\"")}, timeout);
    // A failed step ends the chain: no later page may run the next step.
    QCOMPARE(form().ChainStep, QString());
    QCOMPARE(form().PageControl1->currentIndex(), 1);
    const QVariant filled = m_window->evaluate(
        QStringLiteral("['InputMsg'].map(id => document.getElementById(id).value).concat("
                       "['mobile01', 'mobile02', 'mobile03', 'mobile05']"
                       ".map(name => document.getElementsByName(name)[0].value))"),
        QWebEngineScript::ApplicationWorld);
    QCOMPARE(filled.toStringList(),
             (QStringList{QStringLiteral("生日快樂"), m_number, QStringLiteral("0922222222"),
                          QStringLiteral("0933333333"), QString()}));
    QCOMPARE(m_window->view()->title(), QStringLiteral("簡訊發送"));
}

void TestGatewayE2E::hostileValuesArriveByteForByte()
{
    const QString nasty =
        QStringLiteral("\"'\\</script><script>window.pwned=1</script>\u2028\u2029") + QChar(0) +
        QStringLiteral("`${1}`&amp;%00+%2B 今天");
    // The message box keeps a line separator as typed but cannot hold a
    // paragraph separator as a character; the one-line boxes keep both.
    QString message = nasty + QStringLiteral("\r\n第二行\r\n") + QString(3000, QChar(0x7965));
    message.remove(QChar(0x2029));
    const qsizetype sentBefore = outbox().size();
    logInByButton();
    form().Memo1->setText(message);
    QCOMPARE(form().Memo1->text(), message);
    const QList<QLineEdit*> boxes = form().recipientBoxes();
    for (qsizetype k = 0; k < boxes.size(); ++k)
        boxes[k]->setText(nasty + QString::number(k));
    form().RadioButton2->setChecked(true);
    form().DateTimePicker1->setDate(QDate(2026, 12, 31));
    form().ComboBox1->setCurrentText(nasty);
    form().ComboBox2->setCurrentText(QStringLiteral("</script>\\"));
    form().BitBtn4->click();
    const QJsonObject received = verifyAndTakeSent(sentBefore);
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
    QCOMPARE(m_window->evaluate(QStringLiteral("typeof window.pwned"), QWebEngineScript::MainWorld),
             QVariant(QStringLiteral("undefined")));
}

void TestGatewayE2E::hostilePageCannotFoolTheSteps()
{
    const qsizetype sentBefore = outbox().size();
    logInByButton();
    // The page's own scripts replace the DOM functions a form filler would
    // use, add decoys and a control named "submit" that hides form.submit.
    m_window->evaluate(QStringLiteral(R"JS(
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
    form().Memo1->setText(QStringLiteral("不會被攔截"));
    form().BitBtn4->click();
    const QJsonObject sent = verifyAndTakeSent(sentBefore);
    QCOMPARE(sent.value(QStringLiteral("text")).toString(), QStringLiteral("不會被攔截"));
    QCOMPARE(sent.value(QStringLiteral("mobiles")).toArray(),
             (QJsonArray{m_number, "", "", "", ""}));
    QCOMPARE(sent.value(QStringLiteral("sendType")).toString(), QStringLiteral("immediate"));
}

QTEST_MAIN(TestGatewayE2E)
#include "test_gateway_e2e.moc"
