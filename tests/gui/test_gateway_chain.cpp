#include "DatePicker.h"
#include "GatewayActions.h"
#include "LastUrl.h"
#include "Memo.h"
#include "ScriptedWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

namespace {

const QString base = QStringLiteral("http://127.0.0.1:8080");
const QString smsPage = QStringLiteral("http://127.0.0.1:8080/front_end/sms");
const QString logoutPage = QStringLiteral("http://127.0.0.1:8080/front_end/Logout");

void addChainSteps()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("idle") << QString();
    QTest::newRow("Send") << QStringLiteral("Send");
    QTest::newRow("Auth") << QStringLiteral("Auth");
}

} // namespace

// The gateway buttons and the one-step chain against a scripted browser: every
// row of the chain's state table, the log-in address check and the values the
// actions take from the window.
class TestGatewayChain : public QObject, private ScriptedWindow
{
    Q_OBJECT

public:
    TestGatewayChain() : ScriptedWindow(base) {}

private Q_SLOTS:
    void init();
    void cleanup() { closeWindow(); }

    void startUpProposesScheduleAndOpensSmsPage_data();
    void startUpProposesScheduleAndOpensSmsPage();
    void lastUrlFollowsEveryNavigation();

    void oneStepWithEmptyFirstRecipient_data() { addChainSteps(); }
    void oneStepWithEmptyFirstRecipient();
    void oneStepLogsInOnSmsPage_data() { addChainSteps(); }
    void oneStepLogsInOnSmsPage();
    void oneStepDoesNothingOnAnotherAddress_data() { addChainSteps(); }
    void oneStepDoesNothingOnAnotherAddress();
    void documentCompleted_data();
    void documentCompleted();
    void logInButtonOnSmsPage_data() { addChainSteps(); }
    void logInButtonOnSmsPage();
    void logInButtonOnAnotherAddress_data();
    void logInButtonOnAnotherAddress();
    void sendButton_data();
    void sendButton();
    void verifyButton_data() { addChainSteps(); }
    void verifyButton();
    void logOutButton_data() { addChainSteps(); }
    void logOutButton();

    void wholeChainEndsIdle();
    void failedLogInKeepsSendForTheNextPage();
    void failureInsideCompletionIsShown();
    void sendTakesEveryValueFromTheWindow();
    void onlyRadioButton1DecidesImmediate();

private:
    void setChainStep(const QString& step);
    void expectRuns(const QList<DomSteps>& runs);
    // The chain still at its step, the contact page still shown, nothing run in the page.
    void expectUntouched(const QString& before);
    DomSteps expectedSend() const;
};

void TestGatewayChain::init()
{
    newWindow();
    m_form->Edit1->setText(QStringLiteral("帳號"));
    m_form->Edit2->setText(QStringLiteral("密碼"));
    m_form->Edit5->setText(QStringLiteral("1234"));
    m_form->Edit11->setText(QStringLiteral("0911111111"));
    m_form->Memo1->setText(QStringLiteral("生日快樂"));
    m_form->DateTimePicker1->setDate(QDate(2026, 3, 5));
    m_form->ComboBox1->setCurrentText(QStringLiteral("9"));
    m_form->ComboBox2->setCurrentText(QStringLiteral("00"));
}

void TestGatewayChain::setChainStep(const QString& step)
{
    m_form->ChainStep = step;
}

void TestGatewayChain::expectRuns(const QList<DomSteps>& runs)
{
    QCOMPARE(m_browser->stepRuns(), runs);
}

void TestGatewayChain::expectUntouched(const QString& before)
{
    QCOMPARE(m_form->ChainStep, before);
    QCOMPARE(m_form->PageControl1->currentIndex(), 0);
    expectRuns({});
}

DomSteps TestGatewayChain::expectedSend() const
{
    SendValues values;
    values.message = QStringLiteral("生日快樂");
    values.recipients = QStringList{QStringLiteral("0911111111"), {}, {}, {}, {}};
    values.immediate = true;
    values.date = QDate(2026, 3, 5);
    values.hour = QStringLiteral("9");
    values.minute = QStringLiteral("00");
    return GatewayActions::send(values);
}

void TestGatewayChain::startUpProposesScheduleAndOpensSmsPage_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("hour");
    QTest::newRow("08:40") << QTime(8, 40) << "9";
    QTest::newRow("00:05") << QTime(0, 5) << "1";
    QTest::newRow("23:59") << QTime(23, 59) << "24";
}

void TestGatewayChain::startUpProposesScheduleAndOpensSmsPage()
{
    QFETCH(QTime, time);
    QFETCH(QString, hour);
    m_form->ComboBox1->setCurrentText(QString());
    m_form->ComboBox2->setCurrentText(QString());
    m_clock.set(QDateTime(QDate(2026, 7, 14), time));
    m_form->show();
    QCOMPARE(m_form->ComboBox1->currentText(), hour);
    QCOMPARE(m_form->ComboBox2->currentText(), QStringLiteral("00"));
    QCOMPARE(m_form->DateTimePicker1->dateTime(), QDateTime(QDate(2026, 7, 14), time));
    QVERIFY(!m_browser->navigations().isEmpty());
    QCOMPARE(m_browser->navigations().first(), smsPage);
}

void TestGatewayChain::lastUrlFollowsEveryNavigation()
{
    QVERIFY(LastUrl.isEmpty());
    m_browser->announceNavigation(smsPage);
    QCOMPARE(LastUrl, smsPage);
    m_browser->announceNavigation(QStringLiteral("http://127.0.0.1:8080/frame.html"));
    QCOMPARE(LastUrl, QStringLiteral("http://127.0.0.1:8080/frame.html"));
    QVERIFY(m_dialogs.shown().isEmpty());
}

void TestGatewayChain::oneStepWithEmptyFirstRecipient()
{
    QFETCH(QString, before);
    setChainStep(before);
    m_browser->announceNavigation(smsPage);
    m_form->Edit11->clear();
    m_form->Edit12->setText(QStringLiteral("0922222222"));
    activateForm();
    m_form->Edit1->setFocus();
    m_dialogs.clear();
    m_form->PageControl1->setCurrentIndex(0);

    m_form->BitBtn7->click();
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("請填入接收者門號")});
    QCOMPARE(m_dialogs.messages().size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), m_form->Edit11, 2000);
    expectUntouched(before);
}

void TestGatewayChain::oneStepLogsInOnSmsPage()
{
    QFETCH(QString, before);
    setChainStep(before);
    m_browser->announceNavigation(smsPage);
    m_form->PageControl1->setCurrentIndex(0);
    m_form->BitBtn7->click();
    QCOMPARE(m_form->ChainStep, QStringLiteral("Send"));
    QCOMPARE(m_form->PageControl1->currentIndex(), 1);
    expectRuns({GatewayActions::logIn(QStringLiteral("帳號"), QStringLiteral("密碼"))});
    QVERIFY(m_dialogs.shown().isEmpty());
}

void TestGatewayChain::oneStepDoesNothingOnAnotherAddress()
{
    QFETCH(QString, before);
    setChainStep(before);
    m_browser->announceNavigation(smsPage);
    m_browser->announceNavigation(logoutPage);
    m_form->PageControl1->setCurrentIndex(0);
    m_form->BitBtn7->click();
    expectUntouched(before);
    QVERIFY(m_dialogs.shown().isEmpty());
}

void TestGatewayChain::documentCompleted_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("pressed");
    QTest::newRow("Send runs send") << "Send"
                                    << "Auth"
                                    << "BitBtn4";
    QTest::newRow("Auth runs verify") << "Auth"
                                      << ""
                                      << "BitBtn6";
    QTest::newRow("idle does nothing") << ""
                                       << ""
                                       << "";
    QTest::newRow("exact text only") << "send"
                                     << "send"
                                     << "";
}

void TestGatewayChain::documentCompleted()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, pressed);
    setChainStep(before);
    m_form->PageControl1->setCurrentIndex(0);
    QSignalSpy sendPressed(m_form->BitBtn4, &QPushButton::clicked);
    QSignalSpy verifyPressed(m_form->BitBtn6, &QPushButton::clicked);

    m_browser->completeDocument();
    QCOMPARE(m_form->ChainStep, after);
    // The completion presses the button itself, so its own click handler runs.
    QCOMPARE(sendPressed.size(), pressed == QLatin1String("BitBtn4") ? 1 : 0);
    QCOMPARE(verifyPressed.size(), pressed == QLatin1String("BitBtn6") ? 1 : 0);
    if (pressed == QLatin1String("BitBtn4"))
        expectRuns({expectedSend()});
    else if (pressed == QLatin1String("BitBtn6"))
        expectRuns({GatewayActions::verify(QStringLiteral("1234"))});
    else
        expectRuns({});
    QCOMPARE(m_form->PageControl1->currentIndex(), pressed.isEmpty() ? 0 : 1);
    QVERIFY(m_dialogs.shown().isEmpty());
}

void TestGatewayChain::logInButtonOnSmsPage()
{
    QFETCH(QString, before);
    setChainStep(before);
    m_browser->announceNavigation(smsPage);
    m_form->PageControl1->setCurrentIndex(0);
    m_form->BitBtn5->click();
    QCOMPARE(m_form->ChainStep, QString());
    QCOMPARE(m_form->PageControl1->currentIndex(), 1);
    expectRuns({GatewayActions::logIn(QStringLiteral("帳號"), QStringLiteral("密碼"))});
    // A manual log-in never starts the chain.
    m_browser->completeDocument();
    QCOMPARE(m_browser->stepRuns().size(), 1);
}

void TestGatewayChain::logInButtonOnAnotherAddress_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("address");
    const QStringList addresses{
        QString(),
        QStringLiteral("HTTP://127.0.0.1:8080/front_end/sms"),
        QStringLiteral("http://127.0.0.1:8080/front_end/SMS"),
        QStringLiteral("http://127.0.0.1:8080/front_end/sms/"),
        QStringLiteral("http://127.0.0.1:8080/front_end/sms?x=1"),
        QStringLiteral("http://127.0.0.1:80/front_end/sms"),
        QStringLiteral("http://127.0.0.1:8080/front_end/smsx"),
        QStringLiteral(" http://127.0.0.1:8080/front_end/sms"),
        logoutPage,
    };
    for (const QString& before : {QString(), QStringLiteral("Send"), QStringLiteral("Auth")}) {
        for (const QString& address : addresses) {
            QTest::addRow("%s after [%s]",
                          qPrintable(before.isEmpty() ? QStringLiteral("idle") : before),
                          qPrintable(address))
                << before << address;
        }
    }
}

void TestGatewayChain::logInButtonOnAnotherAddress()
{
    QFETCH(QString, before);
    QFETCH(QString, address);
    setChainStep(before);
    if (!address.isEmpty())
        m_browser->announceNavigation(address);
    m_form->PageControl1->setCurrentIndex(0);
    m_form->BitBtn5->click();
    expectUntouched(before);
    QVERIFY(m_dialogs.shown().isEmpty());
}

void TestGatewayChain::sendButton_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("Send becomes Auth") << "Send"
                                       << "Auth";
    QTest::newRow("idle stays") << ""
                                << "";
    QTest::newRow("Auth stays") << "Auth"
                                << "Auth";
    QTest::newRow("other text stays") << "SEND"
                                      << "SEND";
}

void TestGatewayChain::sendButton()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    setChainStep(before);
    m_form->PageControl1->setCurrentIndex(0);
    m_form->BitBtn4->click();
    QCOMPARE(m_form->ChainStep, after);
    QCOMPARE(m_form->PageControl1->currentIndex(), 1);
    expectRuns({expectedSend()});
}

void TestGatewayChain::verifyButton()
{
    QFETCH(QString, before);
    setChainStep(before);
    m_form->PageControl1->setCurrentIndex(0);
    m_form->BitBtn6->click();
    QCOMPARE(m_form->ChainStep, QString());
    QCOMPARE(m_form->PageControl1->currentIndex(), 1);
    expectRuns({GatewayActions::verify(QStringLiteral("1234"))});
}

void TestGatewayChain::logOutButton()
{
    QFETCH(QString, before);
    setChainStep(before);
    m_form->PageControl1->setCurrentIndex(0);
    m_form->BitBtn1->click();
    QCOMPARE(m_browser->navigations(), QStringList{logoutPage});
    expectUntouched(before);
    // The logout page's completion runs whatever step was pending.
    m_browser->completeDocument();
    QCOMPARE(m_browser->stepRuns().size(), before.isEmpty() ? 0 : 1);
}

void TestGatewayChain::wholeChainEndsIdle()
{
    m_browser->announceNavigation(smsPage);
    m_form->BitBtn7->click();
    m_browser->announceNavigation(QStringLiteral("http://127.0.0.1:8080/front_end/login"));
    m_browser->completeDocument();
    m_browser->completeDocument();
    QCOMPARE(m_form->ChainStep, QString());
    m_browser->completeDocument();
    m_browser->completeDocument();
    expectRuns({GatewayActions::logIn(QStringLiteral("帳號"), QStringLiteral("密碼")),
                expectedSend(), GatewayActions::verify(QStringLiteral("1234"))});
    QVERIFY(m_dialogs.shown().isEmpty());
}

void TestGatewayChain::failedLogInKeepsSendForTheNextPage()
{
    m_browser->announceNavigation(smsPage);
    m_browser->failNextRun(QStringLiteral("找不到網頁欄位 \"fuid\""));
    m_form->BitBtn7->click();
    QCOMPARE(m_dialogs.errors(), QStringList{QStringLiteral("找不到網頁欄位 \"fuid\"")});
    QCOMPARE(m_form->ChainStep, QStringLiteral("Send"));
    QCOMPARE(m_form->PageControl1->currentIndex(), 1);
    // The SMS page finishing its load then runs send.
    m_browser->completeDocument();
    QCOMPARE(m_form->ChainStep, QStringLiteral("Auth"));
    QCOMPARE(m_browser->stepRuns().size(), 2);
    QCOMPARE(m_browser->stepRuns().last(), expectedSend());
}

void TestGatewayChain::failureInsideCompletionIsShown()
{
    setChainStep(QStringLiteral("Send"));
    m_browser->failNextRun(QStringLiteral("找不到網頁欄位 \"mobile03\""));
    m_browser->completeDocument();
    QCOMPARE(m_dialogs.errors(), QStringList{QStringLiteral("找不到網頁欄位 \"mobile03\"")});
    QCOMPARE(m_form->ChainStep, QStringLiteral("Auth"));
    // The chain goes on with the next page.
    m_browser->completeDocument();
    QCOMPARE(m_form->ChainStep, QString());
    QCOMPARE(m_browser->stepRuns().last(), GatewayActions::verify(QStringLiteral("1234")));
}

void TestGatewayChain::sendTakesEveryValueFromTheWindow()
{
    m_form->Memo1->setText(QStringLiteral("第一行\n第二行"));
    const QList<QLineEdit*> boxes = m_form->recipientBoxes();
    for (int k = 0; k < boxes.size(); ++k)
        boxes[k]->setText(k == 2 ? QString() : QStringLiteral(" 09%1 ").arg(k));
    m_form->RadioButton2->setChecked(true);
    m_form->DateTimePicker1->setDate(QDate(2027, 1, 2));
    m_form->ComboBox1->setCurrentText(QStringLiteral("07"));
    m_form->ComboBox2->setCurrentText(QStringLiteral("5"));
    m_form->BitBtn4->click();

    SendValues values;
    values.message = QStringLiteral("第一行\r\n第二行");
    values.recipients = QStringList{" 090 ", " 091 ", "", " 093 ", " 094 "};
    values.immediate = false;
    values.date = QDate(2027, 1, 2);
    values.hour = QStringLiteral("07");
    values.minute = QStringLiteral("5");
    expectRuns({GatewayActions::send(values)});
}

void TestGatewayChain::onlyRadioButton1DecidesImmediate()
{
    m_form->RadioButton1->setAutoExclusive(false);
    m_form->RadioButton2->setAutoExclusive(false);
    m_form->RadioButton1->setChecked(true);
    m_form->RadioButton2->setChecked(true);
    m_form->BitBtn4->click();
    m_form->RadioButton1->setChecked(false);
    m_form->RadioButton2->setChecked(false);
    m_form->BitBtn4->click();
    QCOMPARE(m_browser->stepRuns().size(), 2);
    QCOMPARE(m_browser->stepRuns().at(0), expectedSend());
    QCOMPARE(m_browser->stepRuns().at(1).size(), 13);
    QCOMPARE(m_browser->stepRuns().at(1).at(6), DomStep::clickNamed(QStringLiteral("sendType"), 1));
}

QTEST_MAIN(TestGatewayChain)
#include "test_gateway_chain.moc"
