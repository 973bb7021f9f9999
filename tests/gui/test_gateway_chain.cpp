#include "DatePicker.h"
#include "GatewayActions.h"
#include "Memo.h"
#include "ScriptedWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

Q_DECLARE_METATYPE(AnswerPage)

namespace {

const QString base = QStringLiteral("http://127.0.0.1:8080");
const QString smsPage = QStringLiteral("http://127.0.0.1:8080/front_end/sms");
const QString logoutPage = QStringLiteral("http://127.0.0.1:8080/front_end/Logout");
const QString origin = QStringLiteral("http://127.0.0.1:8080");
const QString noSendingForm = QStringLiteral("找不到網頁欄位 \"InputMsg\"");
const DomSteps probe{DomStep::findById(QStringLiteral("InputMsg"))};

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
    void lastUrlFollowsTheTopLevelPage();

    void oneStepWithEmptyFirstRecipient_data() { addChainSteps(); }
    void oneStepWithEmptyFirstRecipient();
    void wholeChainRunsOnItsOwnAnswers();
    void loggedInSessionStartsAtSend();
    void otherNavigationEndsTheChain_data();
    void otherNavigationEndsTheChain();
    void failedStepEndsTheChain();
    void submissionRefusedByTheBrowserEndsTheChain();
    void foreignSiteLineNamesTheWholeOrigin();
    void oneStepWaitsForTheSmsPage();
    void oneStepOpensTheSmsPageFromElsewhere();
    void pageThatFailsGivesTheConnectionMessage();
    void refusalEndsTheChainInTheGatewaysWords_data();
    void refusalEndsTheChainInTheGatewaysWords();
    void emptyMessageIsNotSent_data();
    void emptyMessageIsNotSent();
    void pageThatFailedIsLoadedAgain_data();
    void pageThatFailedIsLoadedAgain();
    void logInButtonOnSmsPage();
    void logInButtonOnAnotherAddressSaysSo_data();
    void logInButtonOnAnotherAddressSaysSo();
    void logInButtonWaitsForTheSmsPage();
    void sendButton_data();
    void sendButton();
    void verifyButton_data() { addChainSteps(); }
    void verifyButton();
    void scheduleInThePastAsks();
    void sendTakesEveryValueFromTheWindow();
    void onlyRadioButton1DecidesImmediate();

private:
    void setChainStep(const QString& step);
    void expectRuns(const QList<DomSteps>& runs);
    // The chain still at its step, the contact page still shown, nothing run in the page.
    void expectUntouched(const QString& before);
    // The SMS page loaded, the session not logged in: "一次完成" logs in.
    void startChainOnLoginPage();
    // The program's last form submitted and its answer loaded.
    void answer(const QString& address = smsPage);
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

void TestGatewayChain::startChainOnLoginPage()
{
    m_browser->loadPage(smsPage);
    m_browser->failNextRun(noSendingForm);
    QTest::mouseClick(m_form->BitBtn7, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->stepRuns().size(), 2, 2000);
}

void TestGatewayChain::answer(const QString& address)
{
    QCoreApplication::processEvents();
    m_browser->announceNavigation(address, NavigationKind::FormSubmitted);
    m_browser->completeDocument(address);
    // The answer is read from the page, then the next step runs.
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
}

void TestGatewayChain::lastUrlFollowsTheTopLevelPage()
{
    QVERIFY(m_browser->lastUrl().isEmpty());
    m_browser->announceNavigation(smsPage);
    QCOMPARE(m_browser->lastUrl(), smsPage);
    m_browser->announceNavigation(logoutPage, NavigationKind::LinkClicked);
    QCOMPARE(m_browser->lastUrl(), logoutPage);
    QVERIFY(m_dialogs.shown().isEmpty());
}

void TestGatewayChain::oneStepWithEmptyFirstRecipient()
{
    QFETCH(QString, before);
    setChainStep(before);
    m_browser->loadPage(smsPage);
    m_form->Edit11->clear();
    m_form->Edit12->setText(QStringLiteral("0922222222"));
    activateForm();
    m_form->Edit1->setFocus();
    m_dialogs.clear();
    m_form->PageControl1->setCurrentIndex(0);

    QTest::mouseClick(m_form->BitBtn7, Qt::LeftButton);
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("請填入接收者門號")});
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), m_form->Edit11, 2000);
    expectUntouched(before);
}

// Log in, send and verify, each on the answer to the form before, every
// value checked against the gateway's own site.
void TestGatewayChain::wholeChainRunsOnItsOwnAnswers()
{
    startChainOnLoginPage();
    QCOMPARE(m_form->ChainStep, QStringLiteral("Send"));
    answer();
    QCOMPARE(m_form->ChainStep, QStringLiteral("Auth"));
    answer();
    QCOMPARE(m_form->ChainStep, QString());
    answer();
    m_browser->completeDocument(smsPage);
    QCoreApplication::processEvents();
    expectRuns({probe, GatewayActions::logIn(QStringLiteral("帳號"), QStringLiteral("密碼")),
                expectedSend(), GatewayActions::verify(QStringLiteral("1234"))});
    QCOMPARE(m_browser->origins(), QStringList(4, origin));
    QVERIFY(m_dialogs.errors().isEmpty());
}

void TestGatewayChain::loggedInSessionStartsAtSend()
{
    m_browser->loadPage(smsPage);
    QTest::mouseClick(m_form->BitBtn7, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->stepRuns().size(), 2, 2000);
    QCOMPARE(m_form->ChainStep, QStringLiteral("Auth"));
    expectRuns({probe, expectedSend()});
}

// Only the answer to the chain's own form lets it go on: a link, the page
// sending itself elsewhere or "登出" end it, and nothing more is submitted.
void TestGatewayChain::otherNavigationEndsTheChain_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("afterSubmission");
    QTest::newRow("link before the answer") << int(NavigationKind::LinkClicked) << true;
    QTest::newRow("page sends itself elsewhere") << int(NavigationKind::Other) << true;
    QTest::newRow("link instead of submitting") << int(NavigationKind::LinkClicked) << false;
    QTest::newRow("登出") << -1 << false;
}

void TestGatewayChain::otherNavigationEndsTheChain()
{
    QFETCH(int, kind);
    QFETCH(bool, afterSubmission);
    startChainOnLoginPage();
    if (afterSubmission)
        m_browser->announceNavigation(smsPage, NavigationKind::FormSubmitted);
    if (kind < 0)
        m_form->BitBtn1->click();
    else
        m_browser->announceNavigation(logoutPage, NavigationKind(kind));
    m_browser->completeDocument(logoutPage);
    m_browser->loadPage(smsPage, NavigationKind::LinkClicked);
    answer();
    QCOMPARE(m_form->ChainStep, QString());
    QCOMPARE(m_browser->stepRuns().size(), 2);
}

void TestGatewayChain::failedStepEndsTheChain()
{
    m_browser->loadPage(smsPage);
    m_browser->failNextRun(noSendingForm);
    QTest::mouseClick(m_form->BitBtn7, Qt::LeftButton);
    m_browser->failNextRun(QStringLiteral("找不到網頁欄位 \"fuid\""));
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.errors().size(), 1, 2000);
    QCOMPARE(m_dialogs.errors(), QStringList{QStringLiteral("找不到網頁欄位 \"fuid\"")});
    QCOMPARE(m_form->ChainStep, QString());
    // The SMS page finishing a load afterwards runs nothing.
    answer();
    QCOMPARE(m_browser->stepRuns().size(), 2);
}

// The browser stopped a submission the page sent elsewhere: the chain ends
// there with the browser's reason, and the answer that follows runs nothing.
void TestGatewayChain::submissionRefusedByTheBrowserEndsTheChain()
{
    const QString refusal =
        QStringLiteral("閘道網頁的表單要送到別的網站（127.0.0.1:18600），已停止，未送出任何資料");
    m_browser->loadPage(smsPage);
    m_browser->failNextRun(noSendingForm);
    QTest::mouseClick(m_form->BitBtn7, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->stepRuns().size(), 2, 2000);
    Q_EMIT m_browser->submissionRefused(refusal);
    QCOMPARE(m_dialogs.errors(), QStringList{refusal + QLatin1Char('.')});
    QCOMPARE(m_form->ChainStep, QString());
    answer();
    QCOMPARE(m_browser->stepRuns().size(), 2);
}

// The line over the browser names another site by its whole origin, and a
// screen reader finds it in the window's accessibility tree.
void TestGatewayChain::foreignSiteLineNamesTheWholeOrigin()
{
    m_browser->loadPage(QStringLiteral("http://127.0.0.1:18600/front_end/sms"),
                        NavigationKind::LinkClicked);
    const QString expected =
        QStringLiteral("注意：目前顯示的網頁不是簡訊閘道，而是 http://127.0.0.1:18600");
    std::function<bool(QAccessibleInterface*, int)> found = [&](QAccessibleInterface* node,
                                                                int depth) {
        if (!node || depth > 30)
            return false;
        if (node->text(QAccessible::Name) == expected)
            return true;
        for (int i = 0; i < node->childCount(); ++i) {
            if (found(node->child(i), depth + 1))
                return true;
        }
        return false;
    };
    QVERIFY(found(QAccessible::queryAccessibleInterface(m_form.get()), 0));

    m_browser->loadPage(smsPage);
    QVERIFY(!found(QAccessible::queryAccessibleInterface(m_form.get()), 0));
}

// Pressed while the SMS page still loads, the chain starts once it has
// loaded; a second press meanwhile starts no second chain.
void TestGatewayChain::oneStepWaitsForTheSmsPage()
{
    m_browser->announceNavigation(smsPage);
    QTest::mouseClick(m_form->BitBtn7, Qt::LeftButton);
    QTest::mouseClick(m_form->BitBtn7, Qt::LeftButton);
    QCoreApplication::processEvents();
    expectRuns({});
    m_browser->completeDocument(smsPage);
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->stepRuns().size(), 2, 2000);
    expectRuns({probe, expectedSend()});
    QCOMPARE(m_dialogs.texts(), QStringList());
}

void TestGatewayChain::oneStepOpensTheSmsPageFromElsewhere()
{
    m_browser->loadPage(logoutPage, NavigationKind::LinkClicked);
    QTest::mouseClick(m_form->BitBtn7, Qt::LeftButton);
    QCOMPARE(m_browser->navigations(), QStringList{smsPage});
    m_browser->loadPage(smsPage);
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->stepRuns().size(), 2, 2000);
    expectRuns({probe, expectedSend()});
}

// The gateway refuses one of the chain's forms: the chain ends there with the
// page's own words, and no later step runs.
void TestGatewayChain::refusalEndsTheChainInTheGatewaysWords_data()
{
    QTest::addColumn<int>("refusedAnswer"); // 0 log-in, 1 send, 2 verification
    QTest::addColumn<AnswerPage>("page");
    QTest::addColumn<QString>("error");
    QTest::newRow("log-in form again")
        << 0 << AnswerPage{"簡訊閘道登入", "帳號或密碼錯誤，請重新登入。", {}, true, false, false}
        << "登入沒有成功，閘道回覆：簡訊閘道登入 — 帳號或密碼錯誤，請重新登入。";
    QTest::newRow("send refused in an alert")
        << 1 << AnswerPage{"簡訊閘道", "請按返回。", {"門號格式錯誤"}, false, false, false}
        << "發送沒有成功，閘道回覆：簡訊閘道 — 請按返回。 — 門號格式錯誤。";
    QTest::newRow("wrong code") << 2
                                << AnswerPage{"認證失敗", "認證碼錯誤。", {}, false, false, false}
                                << "認證沒有成功，閘道回覆：認證失敗 — 認證碼錯誤。";
}

void TestGatewayChain::refusalEndsTheChainInTheGatewaysWords()
{
    QFETCH(int, refusedAnswer);
    QFETCH(AnswerPage, page);
    QFETCH(QString, error);
    startChainOnLoginPage();
    for (int step = 0; step < refusedAnswer; ++step)
        answer();
    m_browser->setAnswer(page);
    answer();
    QCOMPARE(m_dialogs.errors(), QStringList{error});
    QCOMPARE(m_form->ChainStep, QString());
    QCOMPARE(m_browser->stepRuns().size(), 2 + refusedAnswer);
    answer();
    QCOMPARE(m_browser->stepRuns().size(), 2 + refusedAnswer);
    QCOMPARE(m_dialogs.questions(), QStringList());
}

void TestGatewayChain::emptyMessageIsNotSent_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message");
    QTest::newRow("一次完成, empty") << "BitBtn7"
                                     << "";
    QTest::newRow("發送簡訊, white space") << "BitBtn4"
                                           << " \r\n\t";
}

void TestGatewayChain::emptyMessageIsNotSent()
{
    QFETCH(QString, button);
    QFETCH(QString, message);
    m_form->Memo1->setText(message);
    activateForm();
    m_browser->loadPage(smsPage);
    m_dialogs.clear();
    m_form->PageControl1->setCurrentIndex(1);
    QTest::mouseClick(m_form->findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("簡訊內容是空的，請先輸入祝福的話")});
    QCoreApplication::processEvents();
    expectRuns({});
}

// The SMS page failed to load (the gateway was down at start): the line over
// the browser says so, and "一次完成" or "登入" load it again before acting.
void TestGatewayChain::pageThatFailedIsLoadedAgain_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("一次完成") << "BitBtn7";
    QTest::newRow("登入") << "BitBtn5";
}

void TestGatewayChain::pageThatFailedIsLoadedAgain()
{
    QFETCH(QString, button);
    m_form->show();
    m_browser->announceNavigation(smsPage);
    m_browser->completeDocument(smsPage, false, QStringLiteral("net::ERR_CONNECTION_REFUSED"));
    const QString down =
        QStringLiteral("無法連線到簡訊閘道 %1（net::ERR_CONNECTION_REFUSED）").arg(smsPage);
    const auto* where = m_form->findChild<QLabel*>(QStringLiteral("Label11"));
    QCOMPARE(where->text(), down);
    QVERIFY(where->isVisible());
    m_dialogs.clear();

    m_form->PageControl1->setCurrentIndex(1);
    QTest::mouseClick(m_form->findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(m_browser->navigations(), (QStringList{smsPage, smsPage}));
    m_browser->loadPage(smsPage);
    QTRY_VERIFY_WITH_TIMEOUT(!m_browser->stepRuns().isEmpty(), 2000);
    QVERIFY(!where->isVisible());
    QCOMPARE(m_dialogs.texts(), QStringList());
}

void TestGatewayChain::pageThatFailsGivesTheConnectionMessage()
{
    m_browser->announceNavigation(smsPage);
    QTest::mouseClick(m_form->BitBtn7, Qt::LeftButton);
    m_browser->completeDocument(smsPage, false, QStringLiteral("net::ERR_CONNECTION_REFUSED"));
    QCOMPARE(m_dialogs.errors().size(), 1);
    QVERIFY(m_dialogs.errors().first().startsWith(
        QStringLiteral("無法連線到簡訊閘道 %1（net::ERR_CONNECTION_REFUSED）").arg(smsPage)));
    expectRuns({});
    QCOMPARE(m_form->ChainStep, QString());
}

void TestGatewayChain::logInButtonOnSmsPage()
{
    m_browser->loadPage(smsPage);
    setChainStep(QStringLiteral("Auth"));
    m_form->PageControl1->setCurrentIndex(0);
    m_form->BitBtn5->click();
    QCOMPARE(m_form->ChainStep, QString());
    QCOMPARE(m_form->PageControl1->currentIndex(), 1);
    expectRuns({GatewayActions::logIn(QStringLiteral("帳號"), QStringLiteral("密碼"))});
    // A manual log-in never starts the chain.
    answer();
    QCOMPARE(m_browser->stepRuns().size(), 1);
}

void TestGatewayChain::logInButtonOnAnotherAddressSaysSo_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("nothing loaded") << QString();
    QTest::newRow("upper-case scheme") << QStringLiteral("HTTP://127.0.0.1:8080/front_end/sms");
    QTest::newRow("another path") << QStringLiteral("http://127.0.0.1:8080/front_end/SMS");
    QTest::newRow("query") << QStringLiteral("http://127.0.0.1:8080/front_end/sms?x=1");
    QTest::newRow("logout page") << logoutPage;
}

void TestGatewayChain::logInButtonOnAnotherAddressSaysSo()
{
    QFETCH(QString, address);
    if (!address.isEmpty())
        m_browser->loadPage(address, NavigationKind::LinkClicked);
    m_form->PageControl1->setCurrentIndex(0);
    m_form->BitBtn5->click();
    expectUntouched(QString());
    QCOMPARE(m_dialogs.messages().size(), 1);
    QVERIFY(m_dialogs.messages().first().contains(QStringLiteral("登入")));
}

void TestGatewayChain::logInButtonWaitsForTheSmsPage()
{
    m_browser->announceNavigation(smsPage);
    m_form->BitBtn5->click();
    expectRuns({});
    m_browser->completeDocument(smsPage);
    expectRuns({GatewayActions::logIn(QStringLiteral("帳號"), QStringLiteral("密碼"))});
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

void TestGatewayChain::scheduleInThePastAsks()
{
    m_form->RadioButton2->setChecked(true);
    m_form->ComboBox1->setCurrentText(QStringLiteral("8")); // 08:00 on the day, it is 08:40
    m_dialogs.queueAnswers({false});
    m_form->BitBtn4->click();
    QCOMPARE(m_dialogs.questions(), QStringList{QStringLiteral("預約時間已經過了，仍要發送嗎？")});
    expectRuns({});
    m_form->ComboBox1->setCurrentText(QStringLiteral("9"));
    m_form->BitBtn4->click();
    QCOMPARE(m_dialogs.questions().size(), 1);
    QCOMPARE(m_browser->stepRuns().size(), 1);
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
