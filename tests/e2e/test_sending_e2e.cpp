#include "BrowserWindow.h"
#include "ContactBookFiles.h"
#include "DemoGatewayProcess.h"
#include "GatewayAddress.h"
#include "Memo.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <httplib.h>
#include <memory>
#include <mutex>
#include <thread>

namespace {

constexpr int timeout = 20000;

// Another site on another origin, as an attacker would set it up: a page
// with the gateway's form fields (and the gateway's SMS page in a frame), and
// a log of every request it receives.
class OtherSite
{
public:
    OtherSite(const QString& gatewayBase)
    {
        const std::string forms =
            "<form action='/sink' method='post'><input id='fuid' name='fuid'>"
            "<input name='pwd'><input name='auth_code'><button id='submit'>go</button></form>"
            "<form action='/sink' method='post'><textarea id='InputMsg' name='InputMsg'></textarea>"
            "<input name='mobile01'><input name='mobile02'><input name='mobile03'>"
            "<input name='mobile04'><input name='mobile05'>"
            "<input type='radio' name='sendType' value='1'><input type='radio' name='sendType' "
            "value='2'></form>";
        const std::string framed = "<!doctype html><meta charset='utf-8'><title>other</title>" +
                                   forms + "<iframe src='" + gatewayBase.toStdString() +
                                   "/front_end/sms'></iframe>";
        m_server.set_logger([this](const httplib::Request& req, const httplib::Response&) {
            std::lock_guard lock(m_mutex);
            m_requests << QString::fromStdString(req.method + " " + req.path + " " + req.body);
        });
        m_server.Get("/framed", [framed](const httplib::Request&, httplib::Response& res) {
            res.set_content(framed, "text/html; charset=utf-8");
        });
        // As a gateway address (http://127.0.0.1:port), its SMS page sends the
        // browser to another origin: the same server named localhost.
        m_server.Get("/front_end/sms", [this](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("http://localhost:" + std::to_string(m_port) + "/framed");
        });
        m_server.Post("/sink", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<!doctype html><title>received</title>", "text/html; charset=utf-8");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~OtherSite()
    {
        m_server.stop();
        m_thread.join();
    }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QStringList requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    // Whether anything the user keeps secret or sends reached this site.
    bool receivedAnyValue(const QStringList& values) const
    {
        for (const QString& request : requests()) {
            if (request.startsWith(QLatin1String("POST")))
                return true;
            for (const QString& value : values) {
                if (request.contains(QString::fromLatin1(QUrl::toPercentEncoding(value))))
                    return true;
            }
        }
        return false;
    }

private:
    httplib::Server m_server;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    QStringList m_requests;
    int m_port = -1;
};

const QString account = QStringLiteral("demo");
const QString password = QStringLiteral("demo");
const QString code = QStringLiteral("1234");
const QString number = QStringLiteral("0911222333");
const QString message = QStringLiteral("生日快樂");

} // namespace

// Sending against the real browser: only the program's own answers drive
// the chain, values go to the gateway's origin only, a slow SMS page is
// waited for and an unreachable gateway is named.
class TestSendingE2E : public QObject
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

    void twelveBirthdaysInThreeBatches();
    void failedChainThenLinkSendsNothing();
    void framedSmsPageAndLinksGetNothing();
    void redirectToAnotherSiteGetsNothing();
    void frameInTheGatewayPageDoesNotStopLogIn();
    void slowSmsPageIsWaitedFor();
    void unreachableGatewayIsNamed();

private:
    void open(const QString& base, bool waitForPage = true);
    TForm1& form() { return m_window->form(); }
    RecordingDialogs& dialogs() { return m_window->dialogs(); }
    void clickInPage(const QString& selector);

    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_folder;
    DemoGatewayProcess m_demo;
    std::unique_ptr<OtherSite> m_other;
    std::unique_ptr<BrowserWindow> m_window;
};

void TestSendingE2E::initTestCase()
{
    QVERIFY(m_dir.isValid());
    writeContactBook(m_dir.filePath(QStringLiteral("contact.mdb")), {});
    const QString failure = m_demo.start(QStringLiteral(SELVANTO_GATEWAY_DEMO));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    m_other = std::make_unique<OtherSite>(m_demo.base());
}

void TestSendingE2E::open(const QString& base, bool waitForPage)
{
    m_window.reset();
    // A program folder of its own: the number is not greeted yet today.
    m_folder = std::make_unique<QTemporaryDir>();
    writeContactBook(m_folder->filePath(QStringLiteral("contact.mdb")), {});
    m_window = std::make_unique<BrowserWindow>(m_folder->path(), base, timeout);
    if (waitForPage)
        m_window->showAndWaitForPage();
    else
        form().show();
    QVERIFY2(dialogs().shown().isEmpty(), qPrintable(dialogs().texts().join('|')));
    form().Edit1->setText(account);
    form().Edit2->setText(password);
    form().Edit5->setText(code);
    form().Edit11->setText(number);
    form().Memo1->setText(message);
}

void TestSendingE2E::clickInPage(const QString& selector)
{
    m_window->evaluate(QStringLiteral("document.querySelector(%1).click()")
                           .arg(QStringLiteral("'") + selector + QStringLiteral("'")),
                       QWebEngineScript::MainWorld);
}

// Twelve friends share today's birthday: three chains of 5, 5 and 2, two Yes
// answers, and each number reaches the gateway exactly once.
void TestSendingE2E::twelveBirthdaysInThreeBatches()
{
    QTemporaryDir folder;
    QList<ContactRow> rows;
    QStringList numbers;
    for (int i = 1; i <= 12; ++i) {
        numbers << QStringLiteral("09120000%1").arg(i, 2, 10, QLatin1Char('0'));
        rows << ContactRow{QStringLiteral("友%1").arg(i), QStringLiteral("800305"), numbers.last()};
    }
    writeContactBook(folder.filePath(QStringLiteral("contact.mdb")), rows);
    const qsizetype sentBefore = m_demo.outbox().size();
    m_window = std::make_unique<BrowserWindow>(folder.path(), m_demo.base(), timeout);
    m_window->showAndWaitForPage();
    QCOMPARE(dialogs().messages(),
             (QStringList{QStringLiteral("發送人數超過五人!"),
                          QStringLiteral("今天有朋友生日哦，獻上您真誠的祝福!")}));
    form().Edit1->setText(account);
    form().Edit2->setText(password);
    form().Edit5->setText(code);
    form().Memo1->setText(message);
    dialogs().queueAnswers({true, true});

    form().BitBtn7->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_demo.outbox().size(), sentBefore + 3, 3 * timeout);
    QTRY_VERIFY_WITH_TIMEOUT(dialogs().questions().size() == 2, timeout);
    QTest::qWait(500);
    QStringList sent;
    for (const QJsonObject& entry : m_demo.outbox().mid(sentBefore)) {
        for (const QJsonValue& mobile : entry.value(QStringLiteral("mobiles")).toArray()) {
            if (!mobile.toString().isEmpty())
                sent << mobile.toString();
        }
    }
    QCOMPARE(sent, numbers);
    QCOMPARE(m_demo.outbox().size(), sentBefore + 3);
    QVERIFY2(dialogs().errors().isEmpty(), qPrintable(dialogs().errors().join('|')));
}

// A send that fails ends the chain: the page the user then opens by a link
// gets nothing, and nothing reaches the outbox.
void TestSendingE2E::failedChainThenLinkSendsNothing()
{
    open(m_demo.base());
    // Logged out first: the browser's session outlives the windows.
    m_window->load(GatewayAddress::logoutPage(m_demo.base()));
    m_window->load(GatewayAddress::smsPage(m_demo.base()));
    m_window->waitForTitle(QStringLiteral("簡訊閘道登入"));
    form().BitBtn5->click();
    m_window->waitForTitle(QStringLiteral("簡訊發送"));
    const qsizetype sentBefore = m_demo.outbox().size();
    m_window->evaluate(QStringLiteral("document.getElementsByName('mobile04')[0].remove()"),
                       QWebEngineScript::MainWorld);
    form().BitBtn7->click();
    QTRY_COMPARE_WITH_TIMEOUT(dialogs().errors(),
                              QStringList{QStringLiteral("找不到網頁欄位 \"mobile04\"")}, timeout);
    QCOMPARE(form().ChainStep, QString());

    clickInPage(QStringLiteral("a[href=\"/front_end/sms\"]"));
    m_window->waitForTitle(QStringLiteral("簡訊發送"));
    m_window->settle();
    QTest::qWait(500);
    QCOMPARE(m_window->evaluate(QStringLiteral("document.getElementById('InputMsg').value"),
                                QWebEngineScript::ApplicationWorld),
             QVariant(QString()));
    QCOMPARE(m_window->view()->title(), QStringLiteral("簡訊發送"));
    QCOMPARE(m_demo.outbox().size(), sentBefore);
}

// The other site holds the gateway's SMS page in a frame and forms with the
// gateway's field names; the user reached it by a link.
void TestSendingE2E::framedSmsPageAndLinksGetNothing()
{
    open(m_demo.base());
    m_window->evaluate(QStringLiteral("const a = document.createElement('a'); a.id = 'away';"
                                      "a.href = '%1/framed'; document.body.append(a);")
                           .arg(m_other->base()),
                       QWebEngineScript::MainWorld);
    clickInPage(QStringLiteral("#away"));
    m_window->waitForTitle(QStringLiteral("other"));
    QTest::qWait(300); // the frame's own navigation

    const QLabel* where = form().findChild<QLabel*>(QStringLiteral("Label11"));
    QVERIFY(where->isVisible());
    QVERIFY(where->text().contains(QUrl(m_other->base()).host()));

    form().BitBtn5->click();
    QCOMPARE(dialogs().messages().size(), 1);
    form().BitBtn4->click();
    form().BitBtn6->click();
    QTRY_COMPARE_WITH_TIMEOUT(dialogs().errors().size(), 2, timeout);
    for (const QString& error : dialogs().errors())
        QVERIFY2(error.startsWith(QStringLiteral("目前的網頁不是簡訊閘道（127.0.0.1:")),
                 qPrintable(error));
    m_window->settle();
    QTest::qWait(300);
    QCOMPARE(m_window->evaluate(QStringLiteral("document.getElementById('fuid').value + "
                                               "document.getElementById('InputMsg').value"),
                                QWebEngineScript::ApplicationWorld),
             QVariant(QString()));
    QVERIFY2(!m_other->receivedAnyValue({password, code, number, message}),
             qPrintable(m_other->requests().join(QLatin1Char('\n'))));

    // "一次完成" goes back to the gateway's own SMS page and sends there.
    const qsizetype sentBefore = m_demo.outbox().size();
    dialogs().clear();
    form().BitBtn7->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_demo.outbox().size(), sentBefore + 1, timeout);
    QVERIFY(!m_other->receivedAnyValue({password, code, number, message}));
    QTRY_VERIFY_WITH_TIMEOUT(!where->isVisible(), timeout);
}

// The gateway's address answers with a redirect to another site.
void TestSendingE2E::redirectToAnotherSiteGetsNothing()
{
    open(m_other->base());
    m_window->waitForTitle(QStringLiteral("other"));
    form().BitBtn7->click();
    QTRY_COMPARE_WITH_TIMEOUT(dialogs().errors().size(), 1, timeout);
    QVERIFY2(dialogs().errors().first().contains(QStringLiteral("不是簡訊閘道")),
             qPrintable(dialogs().errors().first()));
    QTest::qWait(300);
    QVERIFY(!m_other->receivedAnyValue({password, code, number, message}));
}

void TestSendingE2E::frameInTheGatewayPageDoesNotStopLogIn()
{
    open(m_demo.base());
    m_window->evaluate(QStringLiteral("const f = document.createElement('iframe');"
                                      "f.src = '%1/framed'; document.body.append(f);")
                           .arg(m_other->base()),
                       QWebEngineScript::MainWorld);
    QTest::qWait(500);
    form().BitBtn5->click();
    m_window->waitForTitle(QStringLiteral("簡訊發送"));
    QVERIFY(dialogs().shown().isEmpty());
}

// "一次完成" pressed at once, while a slow gateway still sends its SMS page.
void TestSendingE2E::slowSmsPageIsWaitedFor()
{
    DemoGatewayProcess slow;
    const QString failure = slow.start(QStringLiteral(SELVANTO_GATEWAY_DEMO),
                                       {QStringLiteral("--sms-delay"), QStringLiteral("1500")});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    open(slow.base(), false);
    form().BitBtn7->click();
    form().BitBtn7->click();
    QTRY_COMPARE_WITH_TIMEOUT(slow.outbox().size(), 1, timeout);
    QTest::qWait(500);
    QCOMPARE(slow.outbox().size(), 1);
    QVERIFY2(dialogs().errors().isEmpty(), qPrintable(dialogs().errors().join('|')));
}

void TestSendingE2E::unreachableGatewayIsNamed()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
    closed.close();
    open(base, false);
    form().BitBtn7->click();
    QTRY_COMPARE_WITH_TIMEOUT(dialogs().errors().size(), 1, timeout);
    QVERIFY2(
        dialogs().errors().first().startsWith(QStringLiteral("無法連線到簡訊閘道 %1").arg(base)),
        qPrintable(dialogs().errors().first()));
}

QTEST_MAIN(TestSendingE2E)
#include "test_sending_e2e.moc"
