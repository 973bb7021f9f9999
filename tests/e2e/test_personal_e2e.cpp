#include "BrowserWindow.h"
#include "ContactBookFiles.h"
#include "DemoGatewayProcess.h"
#include "Memo.h"
#include "SendLog.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int timeout = 20000;
const QString greeting = QStringLiteral("親愛的 {姓名}，生日快樂！");

struct Sms
{
    QString text;
    QStringList mobiles; // the filled ones
    bool operator==(const Sms&) const = default;
};

char* toString(const Sms& sms)
{
    return qstrdup(qPrintable(sms.text + QStringLiteral(" → ") + sms.mobiles.join(',')));
}

QString numberOf(int i)
{
    return QStringLiteral("09120000%1").arg(i, 2, 10, QLatin1Char('0'));
}

} // namespace

// Greetings with the friend's name in them, against the real browser and the
// demo gateway: one SMS per friend, each with only its own number and name.
class TestPersonalE2E : public QObject
{
    Q_OBJECT

public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private Q_SLOTS:
    void initTestCase();
    void cleanup()
    {
        m_window.reset();
        m_folder.reset();
    }

    void threeFriendsGetTheirOwnText();
    void sevenFriendsAskAfterTheFifth();
    void nameTooLongSendsNothing();

private:
    // Today's birthdays of these names (numbers 0912000001 on), the window
    // shown and filled in, and the one-step button clicked.
    void sendToFriends(const QStringList& names, const QString& message,
                       const QList<bool>& answers = {});
    QList<Sms> sentSince(qsizetype before) const;
    TForm1& form() { return m_window->form(); }
    RecordingDialogs& dialogs() { return m_window->dialogs(); }

    DemoGatewayProcess m_demo;
    qsizetype m_outboxAtLastBox = -1; // the outbox's size when the last box was shown
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<BrowserWindow> m_window;
};

void TestPersonalE2E::initTestCase()
{
    const QString failure = m_demo.start(QStringLiteral(SELVANTO_GATEWAY_DEMO));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

void TestPersonalE2E::sendToFriends(const QStringList& names, const QString& message,
                                    const QList<bool>& answers)
{
    m_folder = std::make_unique<QTemporaryDir>();
    QList<ContactRow> rows;
    for (int i = 0; i < names.size(); ++i)
        rows << ContactRow{names[i], QStringLiteral("800305"), numberOf(i + 1)};
    writeContactBook(m_folder->filePath(QStringLiteral("contact.mdb")), rows);
    m_window = std::make_unique<BrowserWindow>(m_folder->path(), m_demo.base(), timeout);
    m_window->showAndWaitForPage();
    form().Edit1->setText(QStringLiteral("demo"));
    form().Edit2->setText(QStringLiteral("demo"));
    form().Edit5->setText(QStringLiteral("1234"));
    form().Memo1->setText(message);
    dialogs().clear();
    dialogs().queueAnswers(answers);
    dialogs().setOnShow(
        [this](const RecordingDialogs::Shown&) { m_outboxAtLastBox = m_demo.outbox().size(); });
    QTest::mouseClick(form().BitBtn7, Qt::LeftButton);
}

QList<Sms> TestPersonalE2E::sentSince(qsizetype before) const
{
    QList<Sms> sent;
    for (const QJsonObject& entry : m_demo.outbox().mid(before)) {
        Sms sms{entry.value(QStringLiteral("text")).toString(), {}};
        for (const QJsonValue& mobile : entry.value(QStringLiteral("mobiles")).toArray()) {
            if (!mobile.toString().isEmpty())
                sms.mobiles << mobile.toString();
        }
        sent << sms;
    }
    return sent;
}

void TestPersonalE2E::threeFriendsGetTheirOwnText()
{
    const qsizetype before = m_demo.outbox().size();
    sendToFriends({QStringLiteral("王小明"), QStringLiteral("Anna Lee"), QStringLiteral("李大華")},
                  greeting);
    QTRY_COMPARE_WITH_TIMEOUT(m_demo.outbox().size(), before + 3, 3 * timeout);
    m_window->settle();
    const QList<Sms> expected{
        {QStringLiteral("親愛的 王小明，生日快樂！"), {numberOf(1)}},
        {QStringLiteral("親愛的 Anna Lee，生日快樂！"), {numberOf(2)}},
        {QStringLiteral("親愛的 李大華，生日快樂！"), {numberOf(3)}},
    };
    QCOMPARE(sentSince(before), expected);
    QVERIFY2(dialogs().shown().isEmpty(), qPrintable(dialogs().texts().join('|')));

    // The send log keeps the text each friend got.
    QStringList logged;
    const SendLog log(m_folder->filePath(SendLog::fileName()));
    for (const LoggedSubmission& row : log.entries()) {
        if (row.kind == LoggedSubmission::Kind::Send)
            logged << row.message;
    }
    QCOMPARE(logged, (QStringList{expected[0].text, expected[1].text, expected[2].text}));
}

void TestPersonalE2E::sevenFriendsAskAfterTheFifth()
{
    const qsizetype before = m_demo.outbox().size();
    QStringList names;
    for (int i = 1; i <= 7; ++i)
        names << QStringLiteral("友%1").arg(i);
    sendToFriends(names, QStringLiteral("{姓名}生日快樂"), {true});
    QTRY_COMPARE_WITH_TIMEOUT(dialogs().questions().size(), 1, 5 * timeout);
    // The question came once the fifth friend's SMS was accepted, not before.
    QCOMPARE(dialogs().questions().first(),
             QStringLiteral("還有 2 位朋友今天生日，要接著發送嗎？"));
    QCOMPARE(m_outboxAtLastBox, before + 5);
    QTRY_COMPARE_WITH_TIMEOUT(m_demo.outbox().size(), before + 7, 3 * timeout);
    m_window->settle();
    QList<Sms> expected;
    for (int i = 1; i <= 7; ++i)
        expected << Sms{QStringLiteral("友%1生日快樂").arg(i), {numberOf(i)}};
    QCOMPARE(sentSince(before), expected);
    QCOMPARE(dialogs().questions().size(), 1);
    QVERIFY2(dialogs().errors().isEmpty(), qPrintable(dialogs().errors().join('|')));
}

void TestPersonalE2E::nameTooLongSendsNothing()
{
    const qsizetype before = m_demo.outbox().size();
    // 68 Chinese characters leave room for a name of two, not of three.
    const QString message = QString(68, QChar(u'祝')) + QStringLiteral("{姓名}");
    sendToFriends({QStringLiteral("阿明"), QStringLiteral("李大華")}, message);
    QTRY_COMPARE_WITH_TIMEOUT(dialogs().messages().size(), 1, timeout);
    QVERIFY2(dialogs().messages().first().contains(QStringLiteral("李大華")),
             qPrintable(dialogs().messages().first()));
    m_window->settle();
    QCOMPARE(m_demo.outbox().size(), before);
    QCOMPARE(form().ChainStep, QString());
}

QTEST_MAIN(TestPersonalE2E)
#include "test_personal_e2e.moc"
