#include "ContactBookFiles.h"
#include "ScriptedWindow.h"
#include "SendLog.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

namespace {

const QString smsPage = QStringLiteral("http://127.0.0.1:8080/front_end/sms");
const QString greeting = QStringLiteral("今天有朋友生日哦，獻上您真誠的祝福!");

} // namespace

// A day of greetings with the send log: everyone in batches of five, nobody
// twice, nobody missed.
class TestSendingDay : public QObject, private ScriptedWindow
{
    Q_OBJECT

public:
    TestSendingDay() : ScriptedWindow(QStringLiteral("http://127.0.0.1:8080")) {}

private Q_SLOTS:
    void init() { newFolder(); }
    void cleanup() { closeWindow(); }

    void twelveBirthdaysInThreeBatchesEachOnce();
    void missedBirthdaysAreOffered();
    void unwritableLogNeverStopsSending();
    void killedRightAfterSendingGreetsNobodyAgain();

private:
    void writeBook(int birthdaysToday);
    void start(const QStringList& arguments = {});
    // One "一次完成" on a logged-in session, every answer as the gateway's.
    void runOneStep();
    QStringList boxes() const;
    QString waitingLabel() const;
    // Every number the sending forms received, in order.
    QStringList sentNumbers() const;
};

void TestSendingDay::writeBook(int birthdaysToday)
{
    QList<ContactRow> rows{
        {QStringLiteral("路人"), QStringLiteral("800101"), QStringLiteral("0900")}};
    for (int i = 1; i <= birthdaysToday; ++i)
        rows << ContactRow{QStringLiteral("友%1").arg(i), QStringLiteral("800305"),
                           QStringLiteral("09%1").arg(i, 2, 10, QLatin1Char('0'))};
    writeContactBook(contactBookPath(), rows);
}

void TestSendingDay::start(const QStringList& arguments)
{
    m_dialogs = RecordingDialogs();
    m_browser = std::make_unique<FakeBrowser>();
    makeForm(arguments);
    m_form->show();
    m_form->Edit5->setText(QStringLiteral("1234"));
}

void TestSendingDay::runOneStep()
{
    m_browser->setPageSummary(QStringLiteral("簡訊已送出"), QStringLiteral("已收到"));
    if (m_browser->stepRuns().isEmpty()) {
        m_browser->loadPage(smsPage);
        m_form->BitBtn7->click();
    }
    // The probe finds the sending form: send, then verify, each on its answer.
    QTRY_VERIFY_WITH_TIMEOUT(!m_browser->stepRuns().isEmpty() &&
                                 m_browser->stepRuns().last().size() > 1 &&
                                 m_browser->stepRuns().last().first().name == "InputMsg",
                             2000);
    for (int answer = 0; answer < 2; ++answer) {
        m_browser->announceNavigation(smsPage, NavigationKind::FormSubmitted);
        m_browser->completeDocument(smsPage);
        QCoreApplication::processEvents();
    }
}

QStringList TestSendingDay::boxes() const
{
    QStringList texts;
    for (const QLineEdit* box : m_form->recipientBoxes())
        texts << box->text();
    return texts;
}

QString TestSendingDay::waitingLabel() const
{
    return m_form->findChild<QLabel*>(QStringLiteral("Label10"))->text();
}

QStringList TestSendingDay::sentNumbers() const
{
    QStringList numbers;
    for (const DomSteps& run : m_browser->stepRuns()) {
        for (const DomStep& step : run) {
            if (step.name.startsWith(QLatin1String("mobile")) && !step.value.isEmpty())
                numbers << step.value;
        }
    }
    return numbers;
}

void TestSendingDay::twelveBirthdaysInThreeBatchesEachOnce()
{
    writeBook(12);
    start();
    QCOMPARE(m_dialogs.messages(), (QStringList{QStringLiteral("發送人數超過五人!"), greeting}));
    QCOMPARE(boxes(), (QStringList{"0901", "0902", "0903", "0904", "0905"}));
    QCOMPARE(waitingLabel(), QStringLiteral("尚有 7 位待發送"));

    m_dialogs.queueAnswers({true, true});
    runOneStep();
    QCOMPARE(m_dialogs.questions(),
             QStringList{QStringLiteral("還有 7 位朋友今天生日，要接著發送嗎？")});
    QCOMPARE(boxes(), (QStringList{"0906", "0907", "0908", "0909", "0910"}));
    runOneStep();
    QCOMPARE(boxes(), (QStringList{"0911", "0912", "", "", ""}));
    QCOMPARE(waitingLabel(), QString());
    runOneStep();
    QCOMPARE(m_dialogs.questions().size(), 2);

    QStringList expected;
    for (int i = 1; i <= 12; ++i)
        expected << QStringLiteral("09%1").arg(i, 2, 10, QLatin1Char('0'));
    QCOMPARE(sentNumbers(), expected);
    QVERIFY(m_dialogs.errors().isEmpty());

    // The log page shows the day, newest first, with the gateway's answers.
    m_form->PageControl1->setCurrentWidget(m_form->TabSheet3);
    QTRY_COMPARE_WITH_TIMEOUT(m_form->StringGrid1->rowCount(), 6, 2000);
    QCOMPARE(m_form->StringGrid1->item(0, 1)->text(), QStringLiteral("認證"));
    QCOMPARE(m_form->StringGrid1->item(1, 3)->text(), QStringLiteral("0911、0912"));
    QTRY_VERIFY_WITH_TIMEOUT(m_form->StringGrid1->item(1, 5)->text().contains("簡訊已送出"), 2000);

    // Started again the same day, from the log-in autostart entry: nobody
    // left to greet, so the program closes itself.
    closeWindow();
    m_dir->setAutoRemove(true);
    start({QStringLiteral("--autostart")});
    QCOMPARE(boxes(), QStringList(5));
    QVERIFY(!m_form->isVisible());
    QCOMPARE(waitingLabel(), QStringLiteral("今天已祝福 12 位"));
}

// The program did not run for three days: the birthdays of those days that
// were not greeted are offered after the greeting, and follow today's.
void TestSendingDay::missedBirthdaysAreOffered()
{
    writeContactBook(contactBookPath(),
                     {{QStringLiteral("今天"), QStringLiteral("800305"), QStringLiteral("0911")},
                      {QStringLiteral("三號"), QStringLiteral("800303"), QStringLiteral("0933")},
                      {QStringLiteral("四號"), QStringLiteral("800304"), QStringLiteral("0944")},
                      {QStringLiteral("一號"), QStringLiteral("800301"), QStringLiteral("0901")}});
    {
        SendLog log(exeDir() + SendLog::fileName());
        log.recordStartup(QDateTime(QDate(2026, 3, 1), QTime(9, 0)));
        // 三號 was greeted from elsewhere on the day.
        log.recordSend(QDateTime(QDate(2026, 3, 3), QTime(9, 0)), {"0933"}, {""}, "hi", {});
        log.recordVerify(QDateTime(QDate(2026, 3, 3), QTime(9, 1)));
    }
    m_dialogs.queueAnswers({true});
    start();
    QCOMPARE(m_dialogs.texts(),
             (QStringList{greeting, QStringLiteral(
                                        "有 1 位朋友在前幾天生日，還沒送出祝福，要一併發送嗎？")}));
    QCOMPARE(boxes(), (QStringList{"0911", "0944", "", "", ""}));
}

// A log that cannot be written is said once; the greetings still go out.
void TestSendingDay::unwritableLogNeverStopsSending()
{
    writeBook(2);
    QVERIFY(QDir().mkdir(exeDir() + SendLog::fileName())); // a folder where the log would be
    start();
    QCOMPARE(boxes(), (QStringList{"0901", "0902", "", "", ""}));
    runOneStep();
    QCOMPARE(sentNumbers(), (QStringList{"0901", "0902"}));
    QCOMPARE(m_dialogs.messages().size(), 2); // the log's failure once, and the greeting
    QVERIFY(m_dialogs.messages().first().contains(QStringLiteral("發送紀錄")));
    QVERIFY(m_dialogs.errors().isEmpty());
}

// The program killed right after the verification was submitted: started
// again the same day, it puts none of those numbers in the boxes.
void TestSendingDay::killedRightAfterSendingGreetsNobodyAgain()
{
    writeBook(2);
    QProcess sender;
    sender.start(QStringLiteral(SEND_KILL_PROBE), {m_dir->path(), QStringLiteral("send")});
    QVERIFY(sender.waitForStarted(10000));
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += sender.readAllStandardOutput()).contains("submitted") ||
                                 sender.state() != QProcess::Running,
                             20000);
    QCOMPARE(sender.state(), QProcess::Running);
    sender.kill();
    QVERIFY(sender.waitForFinished(10000));

    QProcess again;
    again.start(QStringLiteral(SEND_KILL_PROBE), {m_dir->path(), QStringLiteral("boxes")});
    QVERIFY(again.waitForFinished(20000));
    QCOMPARE(again.readAllStandardOutput().trimmed(), QByteArray(",,,,"));
}

QTEST_MAIN(TestSendingDay)
#include "test_sendingday.moc"
