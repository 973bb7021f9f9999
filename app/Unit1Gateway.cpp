#include "Unit1.h"

#include "BrowserHost.h"
#include "DatePicker.h"
#include "Dialogs.h"
#include "Failure.h"
#include "GatewayActions.h"
#include "GatewayAddress.h"
#include "GatewayAnswer.h"
#include "Guard.h"
#include "Memo.h"
#include "OneStepChain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

namespace {

QString connectionText(const QString& address, const QString& reason)
{
    return QStringLiteral("無法連線到簡訊閘道 %1（%2）").arg(address, reason);
}

} // namespace

void TForm1::connectGateway()
{
    Dialogs& dialogs = *m_services.dialogs;
    // Failures inside the browser's events end there, shown in the error box;
    // they never travel back into the browser.
    connect(m_services.browser, &BrowserHost::navigationStarting, this,
            [this, &dialogs](const QString& address, NavigationKind kind) {
                runGuarded(dialogs, [&] { WebBrowser1BeforeNavigate2(address, kind); });
            });
    connect(m_services.browser, &BrowserHost::documentComplete, this,
            [this, &dialogs](const PageLoad& load) {
                runGuarded(dialogs, [&] { WebBrowser1DocumentComplete(load); });
            });
    connect(m_services.browser, &BrowserHost::submissionRefused, this,
            [this, &dialogs](const QString& text) {
                runGuarded(dialogs, [&] {
                    logNotSubmitted(std::exchange(m_submittedLogId, 0), text);
                    endChainWithError(text);
                });
            });
    connect(BitBtn5, &QPushButton::clicked, this,
            guardedSlot(dialogs, [this] { BitBtn5Click(BitBtn5); }));
    connect(BitBtn4, &QPushButton::clicked, this, guardedSlot(dialogs, [this] { BitBtn4Click(); }));
    connect(BitBtn6, &QPushButton::clicked, this, guardedSlot(dialogs, [this] { BitBtn6Click(); }));
    connect(BitBtn1, &QPushButton::clicked, this, guardedSlot(dialogs, [this] { BitBtn1Click(); }));
    connect(BitBtn7, &QPushButton::clicked, this, guardedSlot(dialogs, [this] { BitBtn7Click(); }));

    m_pageTimer = new QTimer(this);
    m_pageTimer->setSingleShot(true);
    m_pageTimer->setInterval(m_services.pageTimeoutMs);
    connect(
        m_pageTimer, &QTimer::timeout, this, guardedSlot(dialogs, [this] {
            const QString address =
                m_loadingAddress.isEmpty() ? m_services.browser->lastUrl() : m_loadingAddress;
            endChainWithError(connectionText(
                address, QStringLiteral("等候超過 %1 秒").arg(m_services.pageTimeoutMs / 1000)));
        }));
}

void TForm1::setScheduledDate(const QDateTime& now)
{
    DateTimePicker1->setDateTime(now);
}

void TForm1::proposeScheduledHour(int hour)
{
    // The next hour without a leading zero, although the list items have two digits.
    ComboBox1->setCurrentText(QString::number(hour + 1));
    ComboBox2->setCurrentText(QStringLiteral("00"));
}

void TForm1::navigateToSmsPage()
{
    openPage(smsPageAddress());
}

// The page is loading from the moment it is asked for: the browser announces
// the navigation a little later.
void TForm1::openPage(const QString& address)
{
    m_loadingAddress = address;
    m_services.browser->navigate(address);
}

QString TForm1::gatewayOrigin() const
{
    return GatewayAddress::origin(m_services.gatewayBase);
}

QString TForm1::smsPageAddress() const
{
    return GatewayAddress::smsPage(m_services.gatewayBase);
}

bool TForm1::isOnSmsPage() const
{
    return m_loadingAddress.isEmpty() && m_pageFailure.isEmpty() &&
           m_pageAddress == smsPageAddress();
}

bool TForm1::isLoadingSmsPage() const
{
    return m_loadingAddress == smsPageAddress();
}

void TForm1::WebBrowser1BeforeNavigate2(const QString& address, NavigationKind kind)
{
    // A redirect keeps the address that was asked for, for the error texts.
    if (kind != NavigationKind::Redirect || m_loadingAddress.isEmpty())
        m_loadingAddress = address;
    // Any navigation the program did not start ends a waiting action or chain.
    if (m_pageWait.navigation(kind) == PageWait::Outcome::Ended)
        endChain();
}

void TForm1::WebBrowser1DocumentComplete(const PageLoad& load)
{
    if (deferWhileContactSaveWaits([this, load] { WebBrowser1DocumentComplete(load); }))
        return;
    m_pageAddress = load.address;
    const QString loadingAddress = std::exchange(m_loadingAddress, QString());
    m_pageFailure =
        load.ok
            ? QString()
            : connectionText(loadingAddress.isEmpty() ? load.address : loadingAddress, load.error);
    showWhereTheBrowserIs();
    switch (m_pageWait.completed(load.ok)) {
    case PageWait::Outcome::PageLoaded:
        m_pageTimer->stop();
        if (auto action = std::exchange(m_afterPageLoad, {}))
            action();
        break;
    case PageWait::Outcome::AnswerLoaded:
        m_pageTimer->stop();
        answerLoaded();
        break;
    case PageWait::Outcome::LoadFailed:
        endChainWithError(m_pageFailure);
        break;
    case PageWait::Outcome::None:
    case PageWait::Outcome::Ended:
        break;
    }
}

// The answer to a form the program itself submitted has loaded: it is read,
// logged, and unless it refuses the form the chain, if one runs, takes its
// next step.
void TForm1::answerLoaded()
{
    const Submitted submitted = std::exchange(m_submitted, Submitted::Nothing);
    const qint64 logId = std::exchange(m_submittedLogId, 0);
    if (submitted == Submitted::Nothing) {
        goOnAfterAnswer(submitted);
        return;
    }
    const GatewayAnswer::Step step = submitted == Submitted::LogIn  ? GatewayAnswer::Step::LogIn
                                     : submitted == Submitted::Send ? GatewayAnswer::Step::Send
                                                                    : GatewayAnswer::Step::Verify;
    const WindowLifetime::Watch alive = m_alive;
    TForm1* const form = this;
    // The chain waits for the reading; a bounded wait, like the page's.
    if (m_oneStepRunning)
        m_pageTimer->start();
    m_services.browser->readAnswer([alive, form, submitted, step, logId](const AnswerPage& page) {
        if (alive.expired())
            return;
        runGuarded(*form->m_services.dialogs, [&] {
            form->m_pageTimer->stop();
            const bool refused = GatewayAnswer::isRefusal(step, page);
            form->logAnswer(logId, page, refused);
            if (refused) {
                form->endChainWithError(GatewayAnswer::refusalText(step, page));
                return;
            }
            form->goOnAfterAnswer(submitted);
        });
    });
}

void TForm1::goOnAfterAnswer(Submitted submitted)
{
    switch (OneStepChain::onDocumentComplete(ChainStep)) {
    case OneStepChain::Next::PressSend:
        BitBtn4->click();
        return;
    case OneStepChain::Next::PressVerify:
        BitBtn6->click();
        return;
    case OneStepChain::Next::Nothing:
        break;
    }
    if (m_oneStepRunning && submitted == Submitted::Verify) {
        // The next friend of the batch gets their own text, from the sending form again.
        if (m_personalBoxes.size() > 1) {
            m_personalBoxes.removeFirst();
            whenSmsPageLoaded([this] { oneStepOnSmsPage(); }, true);
            return;
        }
        m_personalBoxes.clear();
        m_oneStepRunning = false;
        sendNextBatch();
    }
}

void TForm1::endChain()
{
    ChainStep = OneStepChain::Idle;
    m_pageWait.stop();
    m_pageTimer->stop();
    m_afterPageLoad = {};
    m_oneStepRunning = false;
    m_personalBoxes.clear();
    m_submitted = Submitted::Nothing;
}

void TForm1::endChainWithError(const QString& text)
{
    endChain();
    m_services.dialogs->showError(errorBoxText(text));
}

void TForm1::whenSmsPageLoaded(std::function<void()> action, bool openIt)
{
    if (isOnSmsPage()) {
        action();
        return;
    }
    if (!isLoadingSmsPage()) {
        if (!openIt)
            return;
        navigateToSmsPage();
    }
    m_afterPageLoad = std::move(action);
    m_pageWait.waitForPageLoad();
    m_pageTimer->start();
}

void TForm1::BitBtn5Click(QObject* Sender)
{
    if (Sender != nullptr) {
        // The browser shows its own error page: the SMS page is loaded again.
        if (!m_pageFailure.isEmpty() && m_loadingAddress.isEmpty()) {
            whenSmsPageLoaded([this] { BitBtn5Click(BitBtn5); }, true);
            return;
        }
        const QString& lastUrl = m_services.browser->lastUrl();
        if (lastUrl != smsPageAddress()) {
            m_services.dialogs->showMessage(
                QStringLiteral(
                    "瀏覽器目前不在簡訊閘道的簡訊頁面（%1），請先開啟簡訊頁面再按「登入」")
                    .arg(lastUrl.isEmpty() ? QStringLiteral("沒有網頁") : lastUrl));
            return;
        }
        // Pressed while the SMS page still loads: log in once it has loaded.
        if (isLoadingSmsPage()) {
            whenSmsPageLoaded([this] { BitBtn5Click(BitBtn5); }, false);
            return;
        }
    }
    ChainStep = OneStepChain::afterLogIn(Sender == nullptr);
    PageControl1->setCurrentIndex(1);
    m_submitted = Submitted::LogIn;
    runGatewaySteps(GatewayActions::logIn(Edit1->text(), Edit2->text()));
}

void TForm1::BitBtn4Click()
{
    // Within the chain the one-step button has asked already.
    const bool pressedByUser = ChainStep != OneStepChain::Send;
    if (pressedByUser) {
        m_bookNames.clear();
        if (!messageIsWritten() || !messageFitsEveryone() || !confirmSendingAgain()) {
            endChain();
            throw SilentAbort();
        }
        // By hand, one friend at a time gets a text of their own.
        m_personalBoxes = personalBoxes();
        if (m_personalBoxes.size() > 1) {
            endChain();
            m_services.dialogs->showMessage(QStringLiteral(
                "簡訊含有 {姓名}，每位朋友各收一則自己的簡訊：請按「一次完成」逐一發送"));
            throw SilentAbort();
        }
    }
    if (!confirmScheduleInThePast()) {
        endChain();
        return;
    }
    ChainStep = OneStepChain::afterSend(ChainStep);
    PageControl1->setCurrentIndex(1);
    SendValues values;
    values.message = Memo1->text();
    for (QLineEdit* box : recipientBoxes())
        values.recipients << box->text();
    if (!m_personalBoxes.isEmpty()) {
        const QString number = recipientBox(m_personalBoxes.first() + 1)->text();
        values.message = textFor(number);
        values.recipients = QStringList{number, {}, {}, {}, {}};
    }
    values.immediate = RadioButton1->isChecked();
    values.date = DateTimePicker1->date();
    values.hour = ComboBox1->currentText();
    values.minute = ComboBox2->currentText();
    m_submitted = Submitted::Send;
    runGatewaySteps(GatewayActions::send(values), logSend(values));
}

void TForm1::BitBtn6Click()
{
    ChainStep = OneStepChain::afterVerify();
    PageControl1->setCurrentIndex(1);
    m_submitted = Submitted::Verify;
    runGatewaySteps(GatewayActions::verify(Edit5->text()), logVerify());
}

void TForm1::BitBtn1Click()
{
    endChain();
    openPage(GatewayAddress::logoutPage(m_services.gatewayBase));
}

void TForm1::BitBtn7Click()
{
    if (Edit11->text().isEmpty()) {
        m_services.dialogs->showMessage(QStringLiteral("請填入接收者門號"));
        Edit11->setFocus();
        throw SilentAbort();
    }
    // A second press while the chain waits or runs does not start another.
    if (m_oneStepRunning)
        return;
    // The book may have changed since the names were looked up.
    m_bookNames.clear();
    if (!messageIsWritten() || !messageFitsEveryone() || !confirmSendingAgain())
        throw SilentAbort();
    startOneStep();
}

void TForm1::startOneStep()
{
    endChain();
    m_oneStepRunning = true;
    m_personalBoxes = personalBoxes();
    whenSmsPageLoaded([this] { oneStepOnSmsPage(); }, true);
}

// On the SMS page: a session still logged in shows the sending form, and the
// chain starts at the send step; otherwise it logs in first.
void TForm1::oneStepOnSmsPage()
{
    const WindowLifetime::Watch alive = m_alive;
    TForm1* const form = this;
    m_services.browser->runSteps(gatewayOrigin(), {DomStep::findById(QStringLiteral("InputMsg"))},
                                 [alive, form](const QString& failure) {
                                     if (alive.expired() || !form->m_oneStepRunning)
                                         return;
                                     runGuarded(*form->m_services.dialogs, [&] {
                                         if (failure.isEmpty()) {
                                             form->ChainStep = OneStepChain::Send;
                                             form->BitBtn4->click();
                                         } else {
                                             form->BitBtn5Click(nullptr);
                                         }
                                     });
                                 });
}

void TForm1::runGatewaySteps(const DomSteps& steps, qint64 logId)
{
    // The browser shows its own error page: the gateway could not be reached.
    if (!m_pageFailure.isEmpty() && m_loadingAddress.isEmpty()) {
        logNotSubmitted(logId, m_pageFailure);
        endChainWithError(m_pageFailure);
        return;
    }
    m_submittedLogId = logId;
    m_pageWait.waitForSubmission();
    // The steps finish after the handler has returned; their failure ends the
    // chain and gets the error box then. The window may be gone by that time.
    const WindowLifetime::Watch alive = m_alive;
    TForm1* const form = this;
    m_services.browser->runSteps(gatewayOrigin(), steps,
                                 [alive, form, logId](const QString& failure) {
                                     if (alive.expired() || failure.isEmpty())
                                         return;
                                     form->logNotSubmitted(logId, failure);
                                     form->endChainWithError(failure);
                                 });
    // Within the chain the answer's wait is bounded like a page's; a button
    // pressed by hand leaves the user in charge.
    if (m_oneStepRunning)
        m_pageTimer->start();
}

// A line over the browser says when the gateway cannot be reached, and names
// the site shown whenever it is not the gateway: its whole origin, the host in
// ASCII, so that neither another port of the same host nor a look-alike name
// can pass for the gateway.
void TForm1::showWhereTheBrowserIs()
{
    const QString origin = GatewayAddress::origin(m_pageAddress);
    const bool elsewhere = !m_pageAddress.isEmpty() && origin != gatewayOrigin();
    QString text = m_pageFailure;
    if (text.isEmpty() && elsewhere)
        text = QStringLiteral("注意：目前顯示的網頁不是簡訊閘道，而是 %1")
                   .arg(origin.isEmpty() ? m_pageAddress : origin);
    Label11->setText(text);
    Label11->setVisible(!text.isEmpty());
    if (!text.isEmpty())
        Label11->raise();
}
