#include "AnsiText.h"
#include "BrowserWindow.h"
#include "ContactBookFiles.h"
#include "DemoGatewayProcess.h"
#include "Memo.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

// A user's day with the program: the real window, the real Qt WebEngine and
// the demo gateway on a free port, from start-up to the greeting sent.
class TestTypicalRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void birthdaysGreetedAndSentInOneGo();
    void startedWithArgumentOnDayWithoutBirthdaysEndsByItself_data();
    void startedWithArgumentOnDayWithoutBirthdaysEndsByItself();

private:
    QList<QJsonObject> outbox() const { return m_demo.outbox(); }

    DemoGatewayProcess m_demo;
    QString m_base;
};

namespace {

constexpr int timeout = 30000;

const QString greeting = QStringLiteral("今天有朋友生日哦，獻上您真誠的祝福!");
const QString message = QStringLiteral("祝你生日快樂\r\n天天開心");

ContactRow row(const QString& name, const QString& birthday, const QString& mobile)
{
    return {name, birthday, mobile};
}

} // namespace

void TestTypicalRun::initTestCase()
{
    const QString failure = m_demo.start(QStringLiteral(SELVANTO_GATEWAY_DEMO));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    m_base = m_demo.base();
}

void TestTypicalRun::birthdaysGreetedAndSentInOneGo()
{
    QTemporaryDir exeDir;
    QVERIFY(exeDir.isValid());
    writeContactBook(exeDir.filePath(QStringLiteral("contact.mdb")),
                     {row("王小明", "850305", "0912345678"), row("李大華", "900101", "0922333444"),
                      row("陳美麗", "920305", "0933444555")});
    writeBytes(exeDir.filePath(QStringLiteral("account.ini")),
               ansi::encode(QStringLiteral("[account]\r\ndemo=demo\r\n認證碼=1234\r\n")));
    writeBytes(exeDir.filePath(QStringLiteral("sms.txt")), ansi::encode(message));

    BrowserWindow window(exeDir.path(), m_base, timeout,
                         FixedClock(QDateTime(QDate(2026, 3, 5), QTime(9, 15))));
    QVERIFY(window.view());
    TForm1& form = window.form();
    RecordingDialogs& dialogs = window.dialogs();
    // The greeting comes up on its own: the window is put on the screen only
    // once the start-up has returned.
    bool greetedWithWindowHidden = false;
    dialogs.setOnShow([&](const RecordingDialogs::Shown&) {
        greetedWithWindowHidden = !form.windowHandle() || !form.windowHandle()->isVisible();
    });
    form.show();

    QCOMPARE(dialogs.messages(), QStringList{greeting});
    QVERIFY(dialogs.errors().isEmpty());
    QVERIFY(greetedWithWindowHidden);
    QCOMPARE(form.Edit11->text(), QStringLiteral("0912345678"));
    QCOMPARE(form.Edit12->text(), QStringLiteral("0933444555"));
    QCOMPARE(form.Edit13->text(), QString());
    QCOMPARE(form.Edit1->text(), QStringLiteral("demo"));
    QCOMPARE(form.Edit2->text(), QStringLiteral("demo"));
    QCOMPARE(form.Edit5->text(), QStringLiteral("1234"));
    QVERIFY(form.CheckBox1->isChecked());
    QCOMPARE(form.Memo1->text(), message);

    window.waitForTitle(QStringLiteral("簡訊閘道登入"));
    form.BitBtn7->click();
    window.waitForTitle(QStringLiteral("簡訊已送出"));
    QTRY_COMPARE_WITH_TIMEOUT(outbox().size(), 1, timeout);
    QVERIFY2(dialogs.errors().isEmpty(), qPrintable(dialogs.errors().join(QLatin1Char('|'))));
    QCOMPARE(form.ChainStep, QString());

    const QJsonObject sent = outbox().first();
    QCOMPARE(sent.value(QStringLiteral("account")).toString(), QStringLiteral("demo"));
    QCOMPARE(sent.value(QStringLiteral("text")).toString(), message);
    QCOMPARE(sent.value(QStringLiteral("mobiles")).toArray(),
             (QJsonArray{"0912345678", "0933444555", "", "", ""}));
    QCOMPARE(sent.value(QStringLiteral("sendType")).toString(), QStringLiteral("immediate"));
}

void TestTypicalRun::startedWithArgumentOnDayWithoutBirthdaysEndsByItself_data()
{
    QTest::addColumn<QString>("argument");
    QTest::newRow("autostart") << QStringLiteral("--autostart");
    // An option Qt understands itself counts as an argument all the same.
    QTest::newRow("Qt's own option") << QStringLiteral("-reverse");
}

// The log-in autostart entry starts the program with an argument: on a day
// without birthdays the program itself must end, and write nothing.
void TestTypicalRun::startedWithArgumentOnDayWithoutBirthdaysEndsByItself()
{
    QFETCH(QString, argument);
    QTemporaryDir exeDir;
    QVERIFY(exeDir.isValid());
    const QString program = exeDir.filePath(QStringLiteral("selvanto"));
    QVERIFY(QFile::copy(QStringLiteral(SELVANTO_PROGRAM), program));
    const QString book = exeDir.filePath(QStringLiteral("contact.mdb"));
    writeContactBook(book, {});
    const QByteArray bookBefore = readBytes(book);

    QProcess selvanto;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SELVANTO_GATEWAY_URL"), m_base);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    selvanto.setProcessEnvironment(environment);
    selvanto.setProcessChannelMode(QProcess::ForwardedChannels);
    selvanto.start(program, {argument});
    QVERIFY2(selvanto.waitForStarted(timeout), qPrintable(selvanto.errorString()));
    const bool ended = selvanto.waitForFinished(timeout);
    if (!ended) {
        selvanto.kill();
        selvanto.waitForFinished(timeout);
    }
    QVERIFY2(ended, "the program stayed open on a day without birthdays");
    QCOMPARE(selvanto.exitStatus(), QProcess::NormalExit);
    QCOMPARE(selvanto.exitCode(), 0);
    QCOMPARE(readBytes(book), bookBefore);
    // Only the send log is new: it notes the start-up, for the birthdays of
    // days the program does not run.
    QCOMPARE(QDir(exeDir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{"contact.mdb", "selvanto", "sendlog.db"}));
}

QTEST_MAIN(TestTypicalRun)
#include "test_typical_run.moc"
