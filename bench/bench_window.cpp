// The window against the demo gateway, in one process with the real browser:
//  - the characters-left counter: one key release in the message box holding a
//    10,000-character message (the handler reads, counts, cuts and writes back),
//    against the same release in a bare QPlainTextEdit whose handler reads the
//    text and shows its length in a label;
//  - the one-step chain: from pressing "一次完成" to the third page (the
//    gateway's answer to the verification) loaded, against the same three
//    page loads driven by hand-written scripts in the same view.
// The gateway's address comes from SELVANTO_GATEWAY_URL.
//
//   selvanto-bench-window RUNS
#include "BenchReport.h"
#include "BrowserHost.h"
#include "Clock.h"
#include "ContactBookTool.h"
#include "Dialogs.h"
#include "Failure.h"
#include "GatewayAddress.h"
#include "Memo.h"
#include "Unit1.h"
#include "WebEngineHost.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>

namespace {

// The counter's baseline: the least a key-release handler that counts can do.
class CountingEdit : public QPlainTextEdit
{
public:
    QLabel count;

protected:
    void keyReleaseEvent(QKeyEvent* event) override
    {
        QPlainTextEdit::keyReleaseEvent(event);
        count.setText(QString::number(toPlainText().size()));
    }
};

constexpr int timeoutMs = 30000;

// Any box the window would show is a failed run, never a wait.
class CountingDialogs : public Dialogs
{
public:
    void showMessage(const QString& text) override { note(text); }
    void showError(const QString& text) override { note(text); }
    bool confirm(const QString& text) override
    {
        note(text);
        return false;
    }
    bool askYesNo(const QString& text) override { return confirm(text); }
    bool askYesNoDefaultNo(const QString& text) override { return confirm(text); }
    QString fileToOpen(const QString& caption, const QString&) override
    {
        note(caption);
        return {};
    }
    QString fileToSave(const QString& caption, const QString&) override
    {
        note(caption);
        return {};
    }
    int count() const { return m_count; }

private:
    void note(const QString& text)
    {
        ++m_count;
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
    }
    int m_count = 0;
};

// Runs the event loop until done() has been called or the time is up.
bool runUntilDone(const std::function<void(const std::function<void()>& done)>& start)
{
    QEventLoop loop;
    bool finished = false;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    start([&] {
        finished = true;
        loop.quit();
    });
    if (!finished)
        loop.exec();
    return finished;
}

bool load(BrowserHost& browser, const QString& address)
{
    return runUntilDone([&](const std::function<void()>& done) {
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = QObject::connect(&browser, &BrowserHost::documentComplete, [=] {
            QObject::disconnect(*connection);
            done();
        });
        browser.navigate(address);
    });
}

// Waits for this many completed documents after start() and returns the time
// from start() to the last of them, in milliseconds; negative when it timed out.
double timeLoads(BrowserHost& browser, int loads, const std::function<void()>& start,
                 const std::function<void(int completed)>& onLoad = {})
{
    QElapsedTimer clock;
    double elapsed = -1;
    const bool finished = runUntilDone([&](const std::function<void()>& done) {
        auto completed = std::make_shared<int>(0);
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection =
            QObject::connect(&browser, &BrowserHost::documentComplete, [&, completed, connection] {
                ++*completed;
                if (*completed == loads) {
                    elapsed = clock.nsecsElapsed() / 1e6;
                    QObject::disconnect(*connection);
                    done();
                } else if (onLoad) {
                    onLoad(*completed);
                }
            });
        clock.start();
        start();
    });
    return finished ? elapsed : -1;
}

const QString account = QStringLiteral("demo");
const QString password = QStringLiteral("demo");
const QString code = QStringLiteral("1234");
const QString message = QStringLiteral("生日快樂！祝你天天開心。");
const QString mobile = QStringLiteral("0911111111");

// The baseline's scripts: the fewest lines that fill and submit each form.
const QString logInScript = QStringLiteral("document.getElementById('fuid').value = 'demo';"
                                           "document.getElementsByName('pwd')[0].value = 'demo';"
                                           "document.getElementById('submit').click();");
const QString sendScript = QStringLiteral(
    "var form = document.forms[1];"
    "document.getElementById('InputMsg').value = '生日快樂！祝你天天開心。';"
    "document.getElementsByName('mobile01')[0].value = '0911111111';"
    "for (var k = 2; k <= 5; ++k) document.getElementsByName('mobile0' + k)[0].value = '';"
    "document.getElementsByName('sendType')[0].click();"
    "HTMLFormElement.prototype.submit.call(form);");
const QString verifyScript = QStringLiteral("var form = document.forms[0];"
                                            "form.elements['auth_code'].value = '1234';"
                                            "HTMLFormElement.prototype.submit.call(form);");

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: %s RUNS\n", qPrintable(arguments.first()));
        return 2;
    }
    const int runs = arguments[1].toInt();

    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    try {
        createContactBook(folder.filePath(QStringLiteral("contact.mdb")));
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s\n", qPrintable(failure.text()));
        return 1;
    }
    SystemClock clock;
    CountingDialogs dialogs;
    WebEngineHost browser;
    auto* view = qobject_cast<QWebEngineView*>(browser.widget());
    FormServices services;
    services.exeDir = folder.path() + QLatin1Char('/');
    services.gatewayBase = GatewayAddress::configured(QStringLiteral(SELVANTO_GATEWAY_URL));
    services.clock = &clock;
    services.dialogs = &dialogs;
    services.browser = &browser;
    const QString smsPage = GatewayAddress::smsPage(services.gatewayBase);
    const QString logoutPage = GatewayAddress::logoutPage(services.gatewayBase);

    TForm1 form(services);
    const bool started = runUntilDone([&](const std::function<void()>& done) {
        QObject::connect(&browser, &BrowserHost::documentComplete, &form, done,
                         Qt::SingleShotConnection);
        form.show();
    });
    if (!started || dialogs.count() || !view) {
        std::fprintf(stderr, "the window did not start cleanly at %s\n", qPrintable(smsPage));
        return 1;
    }

    // Counter: the text is put back before each release, untimed.
    QString longMessage;
    while (longMessage.size() < 10000)
        longMessage += QStringLiteral("生日快樂 happy birthday 祝你天天開心\n");
    longMessage.truncate(10000);
    CountingEdit bare;
    QList<double> counterMs, bareCounterMs;
    const auto timeRelease = [](QWidget* editor) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QElapsedTimer timer;
        timer.start();
        QCoreApplication::sendEvent(editor, &release);
        return timer.nsecsElapsed() / 1e6;
    };
    for (int run = 0; run < 200; ++run) {
        form.Memo1->setPlainText(longMessage);
        counterMs << timeRelease(form.Memo1);
        bare.setPlainText(longMessage);
        bareCounterMs << timeRelease(&bare);
    }
    if (form.Edit4->text().toInt() != 0 || form.Memo1->text().size() > 140 ||
        bare.count.text() != QString::number(longMessage.size())) {
        std::fprintf(stderr, "the counter did not cut the message\n");
        return 1;
    }
    // The program's handler also cuts the text and writes it back: twice the
    // bare handler's work at most.
    reportResult(QStringLiteral("counter"),
                 QStringLiteral("Counter, one key release, 10,000-character message"),
                 median(counterMs), median(bareCounterMs), QStringLiteral("ms"),
                 QStringLiteral("2.00"));

    // Chain: each run starts logged out, on the log-in page.
    form.Edit1->setText(account);
    form.Edit2->setText(password);
    form.Edit5->setText(code);
    form.Edit11->setText(mobile);
    form.Memo1->setText(message);
    form.RadioButton1->setChecked(true);
    const auto toLogInPage = [&] {
        form.ChainStep.clear();
        return load(browser, logoutPage) && load(browser, smsPage);
    };
    const auto finishedOnAnswer = [&] {
        return view->title() == QStringLiteral("簡訊已送出") && dialogs.count() == 0;
    };
    const QStringList scripts{logInScript, sendScript, verifyScript};
    QList<double> programMs, baselineMs;
    // A chain takes a fraction of a second and its page loads vary more than
    // a start-up does: four times the runs. The first round is not counted.
    for (int run = -1; run < 4 * runs; ++run) {
        if (!toLogInPage())
            return 1;
        const double program = timeLoads(browser, 3, [&] { form.BitBtn7->click(); });
        if (program < 0 || !finishedOnAnswer()) {
            std::fprintf(stderr, "the one-step chain did not reach the gateway's answer\n");
            return 1;
        }
        if (!toLogInPage())
            return 1;
        const double baseline = timeLoads(
            browser, 3, [&] { view->page()->runJavaScript(scripts[0]); },
            [&](int completed) { view->page()->runJavaScript(scripts[completed]); });
        if (baseline < 0 || !finishedOnAnswer()) {
            std::fprintf(stderr, "the scripted chain did not reach the gateway's answer\n");
            return 1;
        }
        if (run >= 0) {
            programMs << program;
            baselineMs << baseline;
        }
    }
    reportResult(QStringLiteral("chain"),
                 QStringLiteral("One-step chain, button to the answer page (3 page loads)"),
                 median(programMs), median(baselineMs), QStringLiteral("ms"),
                 QStringLiteral("1.10"));
    return 0;
}
