#include "ContactBookFiles.h"
#include "Memo.h"
#include "ScriptedWindow.h"
#include "SendLog.h"
#include "SendOutcome.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
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
    void secondPressAsksFirst();
    void lockedLogAtStartAsksBeforeSending();
    void deletedLogIsCreatedAgain();

private:
    void writeBook(int birthdaysToday);
    void start(const QStringList& arguments = {});
    // One "一次完成" on a logged-in session, every answer as the gateway's;
    // pressed by the user the first time or when press is set, else started
    // by the next batch's question.
    void runOneStep(bool press = false);
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
    m_dialogs.clear(); // the answers queued for this start stay
    m_browser = std::make_unique<FakeBrowser>();
    makeForm(arguments);
    m_form->show();
    m_form->Edit5->setText(QStringLiteral("1234"));
    m_form->Memo1->setText(QStringLiteral("生日快樂"));
}

void TestSendingDay::runOneStep(bool press)
{
    m_browser->setPageSummary(QStringLiteral("簡訊已送出"), QStringLiteral("已收到"));
    if (m_browser->stepRuns().isEmpty()) {
        m_browser->loadPage(smsPage);
        press = true;
    }
    const qsizetype before = m_browser->stepRuns().size();
    if (press)
        QTest::mouseClick(m_form->BitBtn7, Qt::LeftButton);
    // The probe finds the sending form: send, then verify, each on its answer.
    QTRY_VERIFY_WITH_TIMEOUT(m_browser->stepRuns().size() > before &&
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
    // A screen reader hears the count, not a fixed caption.
    QCOMPARE(m_form->findChild<QLabel*>(QStringLiteral("Label10"))->accessibleName(),
             QStringLiteral("尚有 7 位待發送"));

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

    // The log page shows the day, newest first, one row per batch.
    m_form->PageControl1->setCurrentWidget(m_form->TabSheet3);
    QTRY_COMPARE_WITH_TIMEOUT(m_form->StringGrid1->rowCount(), 3, 2000);
    QCOMPARE(m_form->StringGrid1->item(0, 1)->text(), QStringLiteral("友11、友12"));
    QCOMPARE(m_form->StringGrid1->item(0, 2)->text(), QStringLiteral("0911、0912"));
    QCOMPARE(m_form->StringGrid1->item(0, 3)->text(), QStringLiteral("生日快樂"));
    QCOMPARE(m_form->StringGrid1->item(0, 5)->text(), QStringLiteral("已送出"));

    // Started again the same day, from the log-in autostart entry: nobody
    // left to greet, so the program closes itself.
    closeWindow();
    m_dir->setAutoRemove(true);
    start({QStringLiteral("--autostart")});
    QCOMPARE(boxes(), QStringList(5));
    QVERIFY(!m_form->isVisible());
    QCOMPARE(waitingLabel(), QStringLiteral("今天已祝福 12 位"));
}

// The birthdays of the last days that were not greeted are offered after the
// greeting, and follow today's, whether the program ran on those days or not.
// No is remembered: the next day they are not offered again, and the log page
// lists them as not sent.
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
        // 三號 was greeted on the day.
        log.recordSend(QDateTime(QDate(2026, 3, 3), QTime(9, 0)), {"0933"}, {""}, "hi", {});
        const qint64 verify = log.recordVerify(QDateTime(QDate(2026, 3, 3), QTime(9, 1)));
        log.recordAnswer(verify, QStringLiteral("簡訊已送出"), {}, false);
        // The program ran on 四號's day and sent nothing.
        log.recordStartup(QDateTime(QDate(2026, 3, 4), QTime(8, 0)));
    }
    m_dialogs.queueAnswers({true});
    start();
    const QString offer = QStringLiteral("有 2 位朋友在前幾天生日，還沒送出祝福，要一併發送嗎？");
    QCOMPARE(m_dialogs.texts(), (QStringList{greeting, offer}));
    QCOMPARE(boxes(), (QStringList{"0911", "0944", "0901", "", ""}));

    // Started again, the user says No: the next day only yesterday's
    // birthday, not greeted, is offered.
    closeWindow();
    m_dialogs.queueAnswers({false});
    start();
    QCOMPARE(m_dialogs.questions(), QStringList{offer});
    closeWindow();
    m_clock.set(QDateTime(QDate(2026, 3, 6), QTime(9, 0)));
    m_dialogs.queueAnswers({true});
    start();
    QCOMPARE(m_dialogs.questions(),
             QStringList{QStringLiteral("有 1 位朋友在前幾天生日，還沒送出祝福，要一併發送嗎？")});
    QCOMPARE(boxes(), (QStringList{"0911", "", "", "", ""}));
    m_form->PageControl1->setCurrentWidget(m_form->TabSheet3);
    QCOMPARE(m_form->StringGrid1->item(0, 1)->text(), QStringLiteral("四號、一號"));
    QVERIFY(m_form->StringGrid1->item(0, 5)->text().startsWith(QStringLiteral("未送出")));
}

// A log that cannot be read or written is said once; the first send asks,
// since nobody knows who was greeted today; on Yes the greetings go out.
void TestSendingDay::unwritableLogNeverStopsSending()
{
    writeBook(2);
    QVERIFY(QDir().mkdir(exeDir() + SendLog::fileName())); // a folder where the log would be
    start();
    QCOMPARE(boxes(), (QStringList{"0901", "0902", "", "", ""}));
    m_dialogs.queueAnswers({true});
    runOneStep();
    QCOMPARE(m_dialogs.questions(),
             QStringList{QStringLiteral("無法讀取發送紀錄，不知道今天已經祝福過誰\n仍要發送嗎？")});
    QCOMPARE(sentNumbers(), (QStringList{"0901", "0902"}));
    QCOMPARE(m_dialogs.messages().size(), 2); // the log's failure once, and the greeting
    QVERIFY(m_dialogs.messages().first().contains(QStringLiteral("發送紀錄")));
    QVERIFY(m_dialogs.errors().isEmpty());
}

// The program killed right after the verification was submitted: started
// again the same day, it asks whether to send again those greetings the
// gateway never confirmed; No, the default, puts none in the boxes.
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
    QCOMPARE(again.readAllStandardOutput().trimmed(),
             QStringLiteral(
                 ",,,,\n有 2 位朋友的祝福可能已經送出，但沒有收到閘道的確認，要再發送一次嗎？")
                 .toUtf8());
}

// The boxes filled again with a number greeted a moment ago: "一次完成" asks
// first, and No, the default, submits nothing.
void TestSendingDay::secondPressAsksFirst()
{
    writeBook(2);
    start();
    runOneStep();
    QCOMPARE(sentNumbers(), (QStringList{"0901", "0902"}));
    const qsizetype runs = m_browser->stepRuns().size();
    m_form->PageControl1->setCurrentIndex(1);
    QTest::mouseClick(m_form->BitBtn7, Qt::LeftButton);
    QCOMPARE(m_dialogs.questions(),
             QStringList{QStringLiteral("這些門號今天已經發送過了：0901、0902，仍要再發送嗎？")});
    QCoreApplication::processEvents();
    QCOMPARE(m_browser->stepRuns().size(), runs);
}

namespace {

// Another program holding the send log so that nobody can read it.
class ExclusiveLock
{
public:
    explicit ExclusiveLock(const QString& path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE")));
    }
    ~ExclusiveLock()
    {
        QSqlQuery(QSqlDatabase::database(m_name)).exec(QStringLiteral("ROLLBACK"));
        QSqlDatabase::database(m_name).close();
        QSqlDatabase::removeDatabase(m_name);
    }

private:
    const QString m_name = QStringLiteral("exclusive-lock");
};

} // namespace

// The log is locked by another program at start: the boxes are filled, but
// nobody is greeted again without a question; once the lock is gone the log
// says who was greeted.
void TestSendingDay::lockedLogAtStartAsksBeforeSending()
{
    writeBook(2);
    {
        SendLog log(exeDir() + SendLog::fileName());
        log.recordSend(QDateTime(QDate(2026, 3, 5), QTime(8, 0)), {"0901"}, {""}, "hi", {});
        const qint64 verify = log.recordVerify(QDateTime(QDate(2026, 3, 5), QTime(8, 1)));
        log.recordAnswer(verify, QStringLiteral("簡訊已送出"), {}, false);
    }
    auto lock = std::make_unique<ExclusiveLock>(exeDir() + SendLog::fileName());
    start();
    QCOMPARE(boxes(), (QStringList{"0901", "0902", "", "", ""}));
    QVERIFY(m_dialogs.messages().first().contains(QStringLiteral("發送紀錄")));
    m_form->PageControl1->setCurrentIndex(1);
    QTest::mouseClick(m_form->BitBtn7, Qt::LeftButton);
    QCOMPARE(m_dialogs.questions(),
             QStringList{QStringLiteral("無法讀取發送紀錄，不知道今天已經祝福過誰\n仍要發送嗎？")});
    QCoreApplication::processEvents();
    QVERIFY(m_browser->stepRuns().isEmpty());

    lock.reset();
    m_dialogs.clear();
    QTest::mouseClick(m_form->BitBtn7, Qt::LeftButton);
    QCOMPARE(m_dialogs.questions(),
             QStringList{QStringLiteral("這些門號今天已經發送過了：0901，仍要再發送嗎？")});
    QCoreApplication::processEvents();
    QVERIFY(m_browser->stepRuns().isEmpty());
    // The start-up the locked log missed is written by now.
    QTRY_VERIFY_WITH_TIMEOUT(SendLog(exeDir() + SendLog::fileName()).firstStartup().has_value(),
                             10000);
}

// The log deleted while the program runs is created again, with this run's
// submissions, and later ones are written into it.
void TestSendingDay::deletedLogIsCreatedAgain()
{
    writeBook(2);
    start();
    runOneStep();
    QVERIFY(QFile::remove(exeDir() + SendLog::fileName()));
    m_form->Edit11->setText(QStringLiteral("0999"));
    m_form->Edit12->clear();
    runOneStep(true);
    const SendLog log(exeDir() + SendLog::fileName());
    const GreetingRecord record = greetingRecord(log, QDate(2026, 3, 5));
    QCOMPARE(QStringList(record.greeted.keyBegin(), record.greeted.keyEnd()).size(), 3);
    QVERIFY(record.greeted.contains("0999"));
    QVERIFY(log.firstStartup().has_value());
}

QTEST_MAIN(TestSendingDay)
#include "test_sendingday.moc"
