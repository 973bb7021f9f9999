#include "BrowserWindow.h"
#include "DatePicker.h"
#include "GatewayAddress.h"
#include "Memo.h"
#include "SendLog.h"
#include "SendOutcome.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <httplib.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace {

constexpr int timeout = 20000;
// The longest the window's event loop may stand still while a hostile page
// loads or is worked on. A page that blocked the program would stop it for
// good; a shared, busy test machine stops it for a fraction of this.
constexpr qint64 stallLimitMs = 5000;

// The page's two forms as the actions expect them: log-in and verification
// in the first, sending in the second.
const char* const logInForm =
    R"(<form action="/sink" method="post" target="sink">)"
    R"(<input id="fuid" name="fuid"><input name="pwd" type="password">)"
    R"(<input name="auth_code"><input type="submit" id="submit" value="go"></form>)";
const char* const sendForm =
    R"(<form action="/sink" method="post" target="sink">)"
    R"(<textarea id="InputMsg" name="InputMsg"></textarea>)"
    R"(<input name="mobile01"><input name="mobile02"><input name="mobile03">)"
    R"(<input name="mobile04"><input name="mobile05">)"
    R"(<input type="radio" name="sendType" value="now">)"
    R"(<input type="radio" name="sendType" value="later">)"
    R"(<input name="year"><input name="month"><input name="day"><input name="hour">)"
    R"(<input name="minute"></form>)";
// Every field of both, by name, in a form of its own; not laid out, so a
// page of thousands loads in moments.
const char* const decoyForm =
    R"(<form hidden action="/sink" method="post" target="sink">)"
    R"(<input name="fuid"><input name="pwd"><input name="auth_code"><input name="submit">)"
    R"(<textarea name="InputMsg"></textarea><input name="mobile01"><input name="mobile02">)"
    R"(<input name="mobile03"><input name="mobile04"><input name="mobile05">)"
    R"(<input type="radio" name="sendType" value="now"><input type="radio" name="sendType">)"
    R"(<input name="year"><input name="month"><input name="day"><input name="hour">)"
    R"(<input name="minute"></form>)";

// Scripts of a page that throws wherever it can: while parsing, on load and
// on every input and change event the form filling causes, and that replaces
// the DOM functions a form filler might call.
const char* const trapsHtml = R"(<script>
    window.addEventListener('load', () => { throw new Error('load trap'); });
    for (const type of ['input', 'change', 'click', 'submit'])
        document.addEventListener(type, () => { throw new Error(type + ' trap'); }, true);
    document.getElementById = () => { throw new Error('getElementById trap'); };
    Document.prototype.getElementsByTagName = () => { throw new Error('tag trap'); };
    throw new Error('parse trap');
</script>)";

// A page with the log-in, send and verify fields in its first two forms,
// then `decoyForms` more forms with the same names. Near misses of the field
// names stand before them. Forms submit into a frame, so the page stays and
// every field can be read back afterwards.
QByteArray hostilePage(bool traps, int decoyForms)
{
    QByteArray html = "<!doctype html><html><head><meta charset=\"utf-8\"><title>hostile</title>";
    if (traps)
        html += trapsHtml;
    html += "</head><body onload=\"noSuchFunction()\">"
            "<iframe name=\"sink\"></iframe>"
            "<div><input name=\"MOBILE01\"><input name=\"mobile01 \"><input name=\"fuid2\">"
            "<input data-name=\"pwd\"><input id=\"Fuid\"><input name=\"InputMsg0\"></div>";
    html += logInForm;
    html += sendForm;
    for (int i = 0; i < decoyForms; ++i)
        html += decoyForm;
    html += "</body></html>";
    return html;
}

// A web server on a free local port, serving the hostile pages and taking
// the submitted forms.
class HostileSite
{
public:
    HostileSite()
    {
        m_server.Get("/front_end/sms", [this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard lock(m_mutex);
            res.set_content(m_smsPage.toStdString(), "text/html; charset=utf-8");
        });
        // An endless chain of server redirects.
        m_server.Get(R"(/front_end/Logout|/loop/(\d+))",
                     [](const httplib::Request& req, httplib::Response& res) {
                         const int next = req.matches.size() > 1 && req.matches[1].length() > 0
                                              ? std::stoi(req.matches[1].str()) + 1
                                              : 1;
                         res.set_redirect("/loop/" + std::to_string(next));
                     });
        // A page that sends the browser on to itself as soon as it has loaded,
        // for as long as the test lets it.
        m_server.Get("/script-loop", [this](const httplib::Request&, httplib::Response& res) {
            const std::string html =
                m_scriptLoop ? "<!doctype html><title>looping</title><script>"
                               "window.onload = () => setTimeout(() => location.replace("
                               "'/script-loop?' + Math.random()), 50);</script>"
                             : "<!doctype html><title>stopped</title>";
            res.set_content(html, "text/html; charset=utf-8");
        });
        m_server.Post("/sink", [this](const httplib::Request& req, httplib::Response& res) {
            {
                std::lock_guard lock(m_mutex);
                m_posts << QString::fromStdString(req.body);
            }
            res.set_content("<!doctype html><title>received</title>", "text/html; charset=utf-8");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }

    ~HostileSite()
    {
        m_server.stop();
        m_thread.join();
    }

    bool isValid() const { return m_port > 0; }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

    void setSmsPage(const QByteArray& html)
    {
        std::lock_guard lock(m_mutex);
        m_smsPage = html;
        m_posts.clear();
    }
    void setScriptLoop(bool on) { m_scriptLoop = on; }
    QStringList posts() const
    {
        std::lock_guard lock(m_mutex);
        return m_posts;
    }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = -1;
    std::atomic<bool> m_scriptLoop = false;
    mutable std::mutex m_mutex;
    QByteArray m_smsPage;
    QStringList m_posts;
};

// A server on another origin that records every request it receives.
class ForeignSite
{
public:
    ForeignSite()
    {
        m_server.set_logger([this](const httplib::Request& req, const httplib::Response&) {
            std::lock_guard lock(m_mutex);
            m_requests << QString::fromStdString(req.method + " " + req.path + " " + req.body);
        });
        m_server.Post("/sink", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<!doctype html><title>stolen</title>", "text/html; charset=utf-8");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~ForeignSite()
    {
        m_server.stop();
        m_thread.join();
    }
    bool isValid() const { return m_port > 0; }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QStringList requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    httplib::Server m_server;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    QStringList m_requests;
    int m_port = -1;
};

// The gateway's page with its forms made to go to another site, each in one
// of the ways the page's HTML can do it.
enum class Elsewhere
{
    Action,        // the forms' action names the other site
    FormAction,    // the submit buttons' formaction does
    BaseAddress,   // <base href> makes the relative action point there
    DecoyBefore,   // a form with the same fields, going there, stands first
    SubmitHandler, // the page's submit handler changes the action as it submits
};

QByteArray pageSendingElsewhere(Elsewhere way, const QString& foreign)
{
    const QByteArray sink = (foreign + QStringLiteral("/sink")).toUtf8();
    const QByteArray action = way == Elsewhere::Action ? sink : QByteArray("/sink");
    const QByteArray formAction =
        way == Elsewhere::FormAction ? " formaction=\"" + sink + "\"" : QByteArray();
    const QByteArray onSubmit = way == Elsewhere::SubmitHandler
                                    ? " onsubmit=\"this.action = '" + sink + "'\""
                                    : QByteArray();
    const QByteArray fields =
        R"(<input id="fuid" name="fuid"><input name="pwd" type="password">)"
        R"(<input name="auth_code"><input type="submit" id="submit" value="go")" +
        formAction + "></form>";
    const QByteArray sendFields =
        R"(<textarea id="InputMsg" name="InputMsg"></textarea>)"
        R"(<input name="mobile01"><input name="mobile02"><input name="mobile03">)"
        R"(<input name="mobile04"><input name="mobile05">)"
        R"(<input type="radio" name="sendType" value="now">)"
        R"(<input type="radio" name="sendType" value="later">)"
        R"(<input name="year"><input name="month"><input name="day"><input name="hour">)"
        R"(<input name="minute"><button type="submit")" +
        formAction + ">send</button></form>";
    QByteArray html = "<!doctype html><html><head><meta charset=\"utf-8\"><title>elsewhere</title>";
    if (way == Elsewhere::BaseAddress)
        html += "<base href=\"" + foreign.toUtf8() + "/\">";
    html += "</head><body>";
    if (way == Elsewhere::DecoyBefore) {
        html += "<form hidden method=\"post\" action=\"" + sink + "\">" + fields;
        html += "<form hidden method=\"post\" action=\"" + sink + "\">" + sendFields;
    }
    html += "<form method=\"post\" action=\"" + action + "\"" + onSubmit + ">" + fields;
    html += "<form method=\"post\" action=\"" + action + "\"" + onSubmit + ">" + sendFields;
    return html + "</body></html>";
}

// Measures the longest time the event loop went without turning.
class StallMeter
{
public:
    StallMeter()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_sinceLast.restart()); });
        m_sinceLast.start();
        m_timer.start();
    }
    qint64 longestMs() const { return std::max(m_longest, m_sinceLast.elapsed()); }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
    qint64 m_longest = 0;
};

} // namespace

// Hostile pages served by the test itself, in the real Qt WebEngine: the
// window stays responsive and the actions write only into the fields they name.
class TestHostilePagesE2E : public QObject
{
    Q_OBJECT

public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void valuesLandOnlyInTheNamedFields_data();
    void valuesLandOnlyInTheNamedFields();
    void serverRedirectLoop();
    void scriptRedirectLoop();
    void formsGoingElsewhereSendNothing_data();
    void formsGoingElsewhereSendNothing();

private:
    TForm1& form() { return m_window->form(); }
    RecordingDialogs& dialogs() { return m_window->dialogs(); }
    void loadSmsPage();
    void waitForPosts(qsizetype count);
    // Every field of the page holding a value, as "form index/name=value",
    // and every checked radio button as "form index/name:value checked";
    // read in the script world of the program, where the page cannot lie.
    QStringList filledFields();

    HostileSite m_site;
    ForeignSite m_foreign;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<BrowserWindow> m_window;
};

void TestHostilePagesE2E::initTestCase()
{
    QVERIFY(m_site.isValid());
    QVERIFY(m_foreign.isValid());
}

void TestHostilePagesE2E::cleanupTestCase()
{
    m_window.reset();
}

// Each test starts as a fresh program in a folder of its own: every test
// sends the same numbers, which the send log would otherwise know as greeted.
void TestHostilePagesE2E::init()
{
    m_window.reset();
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_window = std::make_unique<BrowserWindow>(m_folder->path(), m_site.base(), timeout);
    QVERIFY(m_window->view());
    m_site.setScriptLoop(false);
    m_site.setSmsPage(hostilePage(false, 0));
    m_window->showAndWaitForPage();
    dialogs().clear();
    form().Edit1->setText(QStringLiteral("user01"));
    form().Edit2->setText(QStringLiteral("pw01"));
    form().Edit5->setText(QStringLiteral("4321"));
    form().Memo1->setText(QStringLiteral("happy"));
    const QList<QLineEdit*> boxes = form().recipientBoxes();
    for (int k = 0; k < boxes.size(); ++k)
        boxes[k]->setText(QStringLiteral("09%1").arg(k + 1));
}

void TestHostilePagesE2E::loadSmsPage()
{
    m_window->load(GatewayAddress::smsPage(m_site.base()));
    m_window->waitForLoaded();
    QCOMPARE(m_window->browser().lastUrl(), GatewayAddress::smsPage(m_site.base()));
}

void TestHostilePagesE2E::waitForPosts(qsizetype count)
{
    QTRY_COMPARE_WITH_TIMEOUT(m_site.posts().size(), count, timeout);
}

QStringList TestHostilePagesE2E::filledFields()
{
    const QString script = QStringLiteral(R"JS((() => {
        const formIndex = new Map();
        Array.prototype.forEach.call(document.forms, (form, i) => formIndex.set(form, i));
        const filled = [];
        for (const field of document.querySelectorAll('input, textarea')) {
            const where = (field.form ? formIndex.get(field.form) : '-') + '/' +
                          (field.getAttribute('name') || field.id || '?');
            if (field.type === 'radio') {
                if (field.checked)
                    filled.push(where + ':' + field.value + ' checked');
            } else if (field.type !== 'submit' && field.value !== '') {
                filled.push(where + '=' + field.value);
            }
        }
        return JSON.stringify(filled);
    })())JS");
    const QVariant result = m_window->evaluate(script, QWebEngineScript::ApplicationWorld);
    const QJsonArray fields = QJsonDocument::fromJson(result.toString().toUtf8()).array();
    QStringList list;
    for (const auto& field : fields)
        list << field.toString();
    return list;
}

void TestHostilePagesE2E::valuesLandOnlyInTheNamedFields_data()
{
    QTest::addColumn<bool>("traps");
    QTest::addColumn<int>("decoyForms");
    QTest::newRow("throws on load") << true << 0;
    QTest::newRow("thousands of forms") << false << 2000;
    QTest::newRow("both") << true << 2000;
}

void TestHostilePagesE2E::valuesLandOnlyInTheNamedFields()
{
    QFETCH(bool, traps);
    QFETCH(int, decoyForms);

    m_site.setSmsPage(hostilePage(traps, decoyForms));
    const StallMeter stalls;
    loadSmsPage();

    form().BitBtn5->click();
    waitForPosts(1);
    QCOMPARE(filledFields(), (QStringList{"0/fuid=user01", "0/pwd=pw01"}));

    form().RadioButton2->setChecked(true);
    form().DateTimePicker1->setDate(QDate(2026, 3, 5));
    form().ComboBox1->setCurrentText(QStringLiteral("9"));
    form().ComboBox2->setCurrentText(QStringLiteral("30"));
    form().BitBtn4->click();
    waitForPosts(2);
    form().BitBtn6->click();
    waitForPosts(3);

    QVERIFY2(dialogs().shown().isEmpty(), qPrintable(dialogs().texts().join(QLatin1Char('|'))));
    QCOMPARE(filledFields(),
             (QStringList{"0/fuid=user01", "0/pwd=pw01", "0/auth_code=4321", "1/InputMsg=happy",
                          "1/mobile01=091", "1/mobile02=092", "1/mobile03=093", "1/mobile04=094",
                          "1/mobile05=095", "1/sendType:later checked", "1/year=2026", "1/month=03",
                          "1/day=05", "1/hour=9", "1/minute=30"}));
    // What reached the server: the first form twice, the second once.
    const QStringList posts = m_site.posts();
    QCOMPARE(posts,
             (QStringList{"fuid=user01&pwd=pw01&auth_code=",
                          "InputMsg=happy&mobile01=091&mobile02=092&mobile03=093&mobile04=094&"
                          "mobile05=095&sendType=later&year=2026&month=03&day=05&hour=9&minute=30",
                          "fuid=user01&pwd=pw01&auth_code=4321"}));
    QVERIFY2(stalls.longestMs() < stallLimitMs, qPrintable(QString::number(stalls.longestMs())));
}

// The log-out address answers with redirects without end: the browser gives
// up on its own, the window stays usable and nothing is shown.
void TestHostilePagesE2E::serverRedirectLoop()
{
    QSignalSpy navigations(&m_window->browser(), &BrowserHost::navigationStarting);
    QSignalSpy loaded(&m_window->browser(), &BrowserHost::documentComplete);
    const StallMeter stalls;
    form().BitBtn1->click();
    QVERIFY(loaded.wait(timeout));
    QVERIFY2(navigations.size() > 10, qPrintable(QString::number(navigations.size())));
    QVERIFY(m_window->browser().lastUrl().startsWith(m_site.base() + QStringLiteral("/loop/")));
    QVERIFY2(dialogs().shown().isEmpty(), qPrintable(dialogs().texts().join(QLatin1Char('|'))));
    QVERIFY2(stalls.longestMs() < stallLimitMs, qPrintable(QString::number(stalls.longestMs())));

    // Logging in acts again once the SMS page is back.
    m_site.setSmsPage(hostilePage(false, 0));
    loadSmsPage();
    form().BitBtn5->click();
    waitForPosts(1);
}

// A page that reloads itself as soon as it has loaded, over and over: each
// completed page comes to the window, which keeps turning its event loop
// and runs nothing while no chain step is pending.
void TestHostilePagesE2E::scriptRedirectLoop()
{
    m_site.setScriptLoop(true);
    QSignalSpy loaded(&m_window->browser(), &BrowserHost::documentComplete);
    const StallMeter stalls;
    m_window->browser().navigate(m_site.base() + QStringLiteral("/script-loop"));
    QTRY_VERIFY_WITH_TIMEOUT(loaded.size() >= 20, timeout);
    QVERIFY2(stalls.longestMs() < stallLimitMs, qPrintable(QString::number(stalls.longestMs())));
    QVERIFY2(dialogs().shown().isEmpty(), qPrintable(dialogs().texts().join(QLatin1Char('|'))));
    QCOMPARE(form().ChainStep, QString());

    // The loop ends when the page stops sending the browser on.
    m_site.setScriptLoop(false);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->view()->title(), QStringLiteral("stopped"), timeout);
    m_site.setSmsPage(hostilePage(false, 0));
    loadSmsPage();
    form().BitBtn5->click();
    waitForPosts(1);
}

void TestHostilePagesE2E::formsGoingElsewhereSendNothing_data()
{
    QTest::addColumn<int>("way");
    QTest::addColumn<QString>("button");
    // Whether the form the button submits goes elsewhere: a form submitted
    // without a button (sending, verifying) takes no button's formaction.
    QTest::addColumn<bool>("refused");
    const std::pair<const char*, Elsewhere> ways[] = {{"action", Elsewhere::Action},
                                                      {"formaction", Elsewhere::FormAction},
                                                      {"base", Elsewhere::BaseAddress},
                                                      {"decoy", Elsewhere::DecoyBefore},
                                                      {"submit handler", Elsewhere::SubmitHandler}};
    for (const auto& [name, way] : ways) {
        const bool byButtonOnly = way == Elsewhere::FormAction || way == Elsewhere::SubmitHandler;
        QTest::addRow("%s, 登入", name) << int(way) << "BitBtn5" << true;
        QTest::addRow("%s, 發送簡訊", name) << int(way) << "BitBtn4" << !byButtonOnly;
        QTest::addRow("%s, 認證", name) << int(way) << "BitBtn6" << !byButtonOnly;
        QTest::addRow("%s, 一次完成", name) << int(way) << "BitBtn7" << !byButtonOnly;
    }
}

// The gateway's page names another site as its forms' target: the program
// refuses to submit, names that site, and nothing reaches it; the send log
// counts nobody as greeted.
void TestHostilePagesE2E::formsGoingElsewhereSendNothing()
{
    QFETCH(int, way);
    QFETCH(QString, button);
    QFETCH(bool, refused);

    m_site.setSmsPage(pageSendingElsewhere(Elsewhere(way), m_foreign.base()));
    loadSmsPage();
    form().RadioButton1->setChecked(true);
    form().PageControl1->setCurrentIndex(1);
    auto* pressed = form().findChild<QPushButton*>(button);
    QVERIFY(pressed);
    const QHash<QString, QDate> greetedBefore =
        greetingRecord(SendLog(m_folder->filePath(SendLog::fileName())), QDate(2000, 1, 1)).greeted;
    QTest::mouseClick(pressed, Qt::LeftButton);

    // The error box ends the text with a full stop.
    const QString refusal =
        QStringLiteral("閘道網頁的表單要送到別的網站（%1），已停止，未送出任何資料.")
            .arg(QUrl(m_foreign.base()).authority());
    if (refused) {
        QTRY_VERIFY_WITH_TIMEOUT(!dialogs().errors().isEmpty(), timeout);
        QCOMPARE(dialogs().errors().first(), refusal);
    } else {
        // The form went to the gateway itself; a chain then stops at the
        // answer, which has no form to fill.
        waitForPosts(1);
    }
    QTRY_COMPARE_WITH_TIMEOUT(form().ChainStep, QString(), timeout);
    m_window->settle();
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->view()->page()->isLoading(), timeout);
    QVERIFY2(!dialogs().errors().contains(refusal) || refused,
             qPrintable(dialogs().texts().join(QLatin1Char('|'))));
    QVERIFY2(m_foreign.requests().isEmpty(),
             qPrintable(m_foreign.requests().join(QLatin1Char('\n'))));
    // A refused verification greets nobody.
    if (refused) {
        QCOMPARE(greetingRecord(SendLog(m_folder->filePath(SendLog::fileName())), QDate(2000, 1, 1))
                     .greeted,
                 greetedBefore);
    }
}

QTEST_MAIN(TestHostilePagesE2E)
#include "test_hostilepages_e2e.moc"
