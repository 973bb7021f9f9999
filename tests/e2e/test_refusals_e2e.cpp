#include "BrowserWindow.h"
#include "ContactBookFiles.h"
#include "DemoGatewayProcess.h"
#include "Memo.h"
#include "SendLog.h"
#include "SendOutcome.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int timeout = 20000;
// The window's own wait for a gateway page, short so a test of it is quick.
constexpr int pageTimeoutMs = 4000;
const QString number = QStringLiteral("0911222333");
const QString message = QStringLiteral("生日快樂");
const QString notConfirmedQuestion =
    QStringLiteral("有 1 位朋友的祝福可能已經送出，但沒有收到閘道的確認，要再發送一次嗎？");

} // namespace

// What the user sees when a gateway that behaves as real ones do says no,
// drops the line or never finishes, against the real browser; what went out
// is read from the demo gateway's outbox. Each test has its own program
// folder, with one friend whose birthday is today.
class TestRefusalsE2E : public QObject
{
    Q_OBJECT

public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private Q_SLOTS:
    void init();
    void cleanup();

    void refusedCodeQuotesThePageAndIsOfferedAgain_data();
    void refusedCodeQuotesThePageAndIsOfferedAgain();
    void refusedLogInIsTheLogInsRefusal();
    void lostVerificationIsAskedAboutAtTheNextStart_data();
    void lostVerificationIsAskedAboutAtTheNextStart();
    void secondPressAsksAndNoSendsNothing();
    void emptyMessageIsRefused();
    void readOnlyAccountFileStillLoadsTheMessage();
    void birthdayOfADayThatRanWithoutSendingIsOffered();
    void gatewayDownAtStartThenUpIsLoadedAgain();

private:
    QString startDemo(const QStringList& arguments = {});
    // The window over the folder, the SMS page loaded, the account typed in.
    void open(int windowPageTimeoutMs = 30000);
    void fillAccount();
    void press(QPushButton* button);
    void oneStep() { press(form().BitBtn7); }
    TForm1& form() { return m_window->form(); }
    RecordingDialogs& dialogs() { return m_window->dialogs(); }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<DemoGatewayProcess> m_demo;
    std::unique_ptr<BrowserWindow> m_window;
};

void TestRefusalsE2E::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    writeContactBook(m_folder->filePath(QStringLiteral("contact.mdb")),
                     {{QStringLiteral("王小明"), QStringLiteral("800305"), number}});
    QFile sms(m_folder->filePath(QStringLiteral("sms.txt")));
    QVERIFY(sms.open(QIODevice::WriteOnly));
    sms.write("Happy birthday");
}

void TestRefusalsE2E::cleanup()
{
    m_window.reset();
    m_demo.reset();
    m_folder.reset();
}

QString TestRefusalsE2E::startDemo(const QStringList& arguments)
{
    m_demo = std::make_unique<DemoGatewayProcess>();
    return m_demo->start(QStringLiteral(SELVANTO_GATEWAY_DEMO), arguments);
}

void TestRefusalsE2E::open(int windowPageTimeoutMs)
{
    m_window.reset();
    m_window = std::make_unique<BrowserWindow>(m_folder->path(), m_demo->base(), timeout,
                                               FixedClock(), windowPageTimeoutMs);
    m_window->showAndWaitForPage();
    fillAccount();
}

void TestRefusalsE2E::fillAccount()
{
    form().Edit1->setText(QStringLiteral("demo"));
    form().Edit2->setText(QStringLiteral("demo"));
    form().Edit5->setText(QStringLiteral("1234"));
    form().Memo1->setText(message);
}

void TestRefusalsE2E::press(QPushButton* button)
{
    form().PageControl1->setCurrentIndex(1);
    QTest::mouseClick(button, Qt::LeftButton);
}

void TestRefusalsE2E::refusedCodeQuotesThePageAndIsOfferedAgain_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");
    QTest::newRow("the form again")
        << QStringList{"--refuse-code"}
        << "認證沒有成功，閘道回覆：簡訊認證 — 認證碼錯誤，請重新輸入。";
    QTest::newRow("a wrong code") << QStringList{"--code", "9999"}
                                  << "認證沒有成功，閘道回覆：認證失敗 — 認證碼錯誤。";
    QTest::newRow("in an alert box")
        << QStringList{"--refuse-code", "--alert-refusals"}
        << "認證沒有成功，閘道回覆：簡訊閘道 — 請按返回。 — 認證碼錯誤。";
}

// The gateway refuses the code: the error box quotes its page, nothing went
// out, and the next start the same day puts the friend in the boxes again.
void TestRefusalsE2E::refusedCodeQuotesThePageAndIsOfferedAgain()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const QString failure = startDemo(arguments);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    open();
    QCOMPARE(form().Edit11->text(), number);
    oneStep();
    QTRY_COMPARE_WITH_TIMEOUT(dialogs().errors(), QStringList{error}, timeout);
    QCOMPARE(m_demo->outbox().size(), 0);

    open();
    QCOMPARE(form().Edit11->text(), number);
    QCOMPARE(dialogs().questions(), QStringList());
}

void TestRefusalsE2E::refusedLogInIsTheLogInsRefusal()
{
    const QString failure = startDemo({QStringLiteral("--refuse-login")});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    open();
    oneStep();
    QTRY_COMPARE_WITH_TIMEOUT(
        dialogs().errors(),
        QStringList{
            QStringLiteral("登入沒有成功，閘道回覆：簡訊閘道登入 — 帳號或密碼錯誤，請重新登入。")},
        timeout);
    QCOMPARE(form().ChainStep, QString());
}

void TestRefusalsE2E::lostVerificationIsAskedAboutAtTheNextStart_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("reason");
    QTest::newRow("connection dropped") << "--drop-verification"
                                        << "";
    QTest::newRow("answer never finishes")
        << "--hang-verification" << QStringLiteral("等候超過 %1 秒").arg(pageTimeoutMs / 1000);
}

// The gateway took the verification but its answer was lost: the user is
// told the connection's fate, and the next start asks before greeting the
// friend again; No, the default, leaves the boxes empty.
void TestRefusalsE2E::lostVerificationIsAskedAboutAtTheNextStart()
{
    QFETCH(QString, argument);
    QFETCH(QString, reason);
    const QString failure = startDemo({argument});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    open(pageTimeoutMs);
    oneStep();
    QTRY_COMPARE_WITH_TIMEOUT(dialogs().errors().size(), 1, timeout);
    const QString error = dialogs().errors().first();
    QVERIFY2(error.startsWith(QStringLiteral("無法連線到簡訊閘道 %1").arg(m_demo->base())),
             qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(m_demo->outbox().size(), 1);

    open();
    QCOMPARE(dialogs().questions(), QStringList{notConfirmedQuestion});
    QCOMPARE(form().Edit11->text(), QString());
}

// After a confirmed batch the boxes are filled again by hand: "一次完成" asks
// first, and No sends nothing.
void TestRefusalsE2E::secondPressAsksAndNoSendsNothing()
{
    const QString failure = startDemo();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    open();
    oneStep();
    QTRY_COMPARE_WITH_TIMEOUT(m_demo->outbox().size(), 1, timeout);
    // The verification's answer is read and logged after it has loaded.
    const auto confirmed = [this] {
        const SendLog log(m_folder->filePath(SendLog::fileName()));
        return greetingRecord(log, QDate(2026, 3, 5)).greeted.contains(number);
    };
    QTRY_VERIFY_WITH_TIMEOUT(confirmed(), timeout);
    QCOMPARE(dialogs().errors(), QStringList());

    form().Edit11->setText(number);
    dialogs().clear();
    oneStep();
    QCOMPARE(
        dialogs().questions(),
        QStringList{QStringLiteral("這些門號今天已經發送過了：%1，仍要再發送嗎？").arg(number)});
    // A chain started anyway would have taken its first step by now.
    m_window->settle();
    QCOMPARE(form().ChainStep, QString());
    QCOMPARE(m_demo->outbox().size(), 1);
}

void TestRefusalsE2E::emptyMessageIsRefused()
{
    const QString failure = startDemo();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    open();
    form().Memo1->setText(QStringLiteral("  "));
    oneStep();
    QCOMPARE(dialogs().messages().last(), QStringLiteral("簡訊內容是空的，請先輸入祝福的話"));
    m_window->settle();
    QCOMPARE(form().ChainStep, QString());
    QCOMPARE(m_demo->outbox().size(), 0);
}

// An account file the user made read-only, holding what the start-up would
// write back: nothing is said, the message is loaded and the chain sends it.
void TestRefusalsE2E::readOnlyAccountFileStillLoadsTheMessage()
{
    const QString path = m_folder->filePath(QStringLiteral("account.ini"));
    QFile account(path);
    QVERIFY(account.open(QIODevice::WriteOnly));
    account.write("[account]\r\ndemo=demo\r\n\xbb\x7b\xc3\xd2\xbd\x58=1234\r\n");
    account.close();
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
    const QString failure = startDemo();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    m_window = std::make_unique<BrowserWindow>(m_folder->path(), m_demo->base(), timeout);
    m_window->showAndWaitForPage();
    QCOMPARE(dialogs().errors(), QStringList());
    QCOMPARE(form().Edit1->text(), QStringLiteral("demo"));
    QCOMPARE(form().Memo1->text(), QStringLiteral("Happy birthday"));
    oneStep();
    QTRY_COMPARE_WITH_TIMEOUT(m_demo->outbox().size(), 1, timeout);
    QCOMPARE(m_demo->outbox().first().value(QStringLiteral("text")).toString(),
             QStringLiteral("Happy birthday"));
}

// Yesterday the program ran (the log-in autostart opened it) and the user
// closed it without sending: today that birthday is offered and sent.
void TestRefusalsE2E::birthdayOfADayThatRanWithoutSendingIsOffered()
{
    QVERIFY(QFile::remove(m_folder->filePath(QStringLiteral("contact.mdb"))));
    writeContactBook(m_folder->filePath(QStringLiteral("contact.mdb")),
                     {{QStringLiteral("昨天"), QStringLiteral("800304"), number}});
    {
        SendLog log(m_folder->filePath(SendLog::fileName()));
        log.recordStartup(QDateTime(QDate(2026, 3, 4), QTime(8, 0)));
    }
    const QString failure = startDemo();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    open();
    QCOMPARE(dialogs().questions(),
             QStringList{QStringLiteral("有 1 位朋友在前幾天生日，還沒送出祝福，要一併發送嗎？")});
    QCOMPARE(form().Edit11->text(), number);
    oneStep();
    QTRY_COMPARE_WITH_TIMEOUT(m_demo->outbox().size(), 1, timeout);
    QCOMPARE(m_demo->outbox().first().value(QStringLiteral("mobiles")).toArray().first().toString(),
             number);
}

// The gateway is down when the program starts: the line over the browser
// says so; once it is up, "一次完成" loads the SMS page again and sends.
void TestRefusalsE2E::gatewayDownAtStartThenUpIsLoadedAgain()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const QString port = QString::number(probe.serverPort());
    const QString base = QStringLiteral("http://127.0.0.1:") + port;
    probe.close();

    m_window = std::make_unique<BrowserWindow>(m_folder->path(), base, timeout);
    m_window->showAndWaitForPage();
    fillAccount();
    const auto* where = form().findChild<QLabel*>(QStringLiteral("Label11"));
    QTRY_VERIFY_WITH_TIMEOUT(where->isVisible(), timeout);
    QVERIFY2(where->text().startsWith(QStringLiteral("無法連線到簡訊閘道 %1").arg(base)),
             qPrintable(where->text()));

    const QString failure = startDemo({QStringLiteral("--port"), port});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(m_demo->base(), base);
    oneStep();
    QTRY_COMPARE_WITH_TIMEOUT(m_demo->outbox().size(), 1, timeout);
    QVERIFY(!where->isVisible());
    QCOMPARE(dialogs().errors(), QStringList());
}

QTEST_MAIN(TestRefusalsE2E)
#include "test_refusals_e2e.moc"
