#include "Unit1.h"

#include "BirthdayScanTask.h"
#include "BookNames.h"
#include "Clock.h"
#include "ContactDataset.h"
#include "ContactStore.h"
#include "DatePicker.h"
#include "Dialogs.h"
#include "Failure.h"
#include "GatewayAnswer.h"
#include "GreetingPlan.h"
#include "HistoryTable.h"
#include "Memo.h"
#include "MessageCounter.h"
#include "MissedDays.h"
#include "PersonalMessage.h"
#include "SendJournal.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

void TForm1::createHistoryPage()
{
    StringGrid1 = new QTableWidget(0, int(HistoryTable::columns().size()), TabSheet3);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setAccessibleName(QStringLiteral("發送紀錄"));
    StringGrid1->setHorizontalHeaderLabels(HistoryTable::columns());
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The columns share the page's width: the time and the way of sending
    // take what they need, the others the rest; a long message or reason is
    // cut short in its cell and shown whole in its tool tip.
    QHeaderView* header = StringGrid1->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Stretch);
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(4, QHeaderView::ResizeToContents);
    StringGrid1->setWordWrap(false);
    StringGrid1->verticalHeader()->hide();
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl1->widget(index) == TabSheet3)
            refreshHistory();
    });
}

SendJournal& TForm1::sendLog()
{
    if (!m_sendLog) {
        m_sendLog = std::make_unique<SendJournal>(m_services.exeDir + SendLog::fileName());
        m_sendLogTimer = new QTimer(this);
        m_sendLogTimer->setInterval(3000);
        connect(m_sendLogTimer, &QTimer::timeout, this, [this] {
            m_sendLog->flush();
            watchSendLog();
        });
    }
    return *m_sendLog;
}

// The log serves the user; it never stands between the user and the gateway.
// What it cannot take now is written later, from a timer, by itself.
void TForm1::watchSendLog()
{
    const QString& failure = m_sendLog->failure();
    if (failure.isEmpty() && !m_sendLog->pending()) {
        m_sendLogTimer->stop();
        return;
    }
    if (!m_sendLogTimer->isActive())
        m_sendLogTimer->start();
    reportSendLogFailure(failure);
}

void TForm1::reportSendLogFailure(const QString& failure)
{
    if (m_sendLogFailureShown || failure.isEmpty())
        return;
    m_sendLogFailureShown = true;
    m_services.dialogs->showMessage(
        failure + QStringLiteral("\n發送紀錄暫時無法寫入，稍後會自動補記；簡訊仍可照常發送。"
                                 "請確認程式資料夾可以寫入"));
}

// Today's birthday contacts not greeted yet today go into the boxes, the
// first five in table order, the others wait for the next batches.
bool TForm1::scanBirthdays(const QDateTime& startedAt)
{
    if (!ADOTable1)
        return true;
    const QDate today = startedAt.date();
    std::optional<QDate> firstStartup;
    GreetingRecord record;
    try {
        firstStartup = sendLog().firstStartup();
        record = sendLog().greetings(today.addDays(-missedDaysKept));
    } catch (const Failure& failure) {
        // Whom the log knows as greeted is unknown: the boxes are filled as
        // usual, and the first send of this run asks.
        reportSendLogFailure(failure.text());
    }
    const BirthdayScan::Result found =
        std::exchange(m_birthdayScan, {})->take(missedDays(firstStartup, today));
    ADOTable1->last();

    const GreetingPlan plan = planGreetings(found, record, today);
    m_greetedToday = plan.greetedToday;
    m_missedBirthdays = plan.missed;
    m_notConfirmed = plan.notConfirmed;
    m_recipients.append(plan.today);
    const int count = m_recipients.waiting();
    fillRecipientBoxes(m_recipients.takeBatch(5), 0, false);
    sendLog().recordStartup(startedAt);
    watchSendLog();
    showWaitingRecipients();
    if (count > 5)
        m_services.dialogs->showMessage(QStringLiteral("發送人數超過五人!"));
    return true;
}

void TForm1::greetOrClose()
{
    if (!Edit11->text().isEmpty())
        m_services.dialogs->showMessage(QStringLiteral("今天有朋友生日哦，獻上您真誠的祝福!"));
    offerMissedBirthdays();
    offerNotConfirmed();
    const bool hasArgument =
        !m_services.arguments.isEmpty() && !m_services.arguments.first().isEmpty();
    if (hasArgument && Edit11->text().isEmpty())
        close();
}

// Each recipient of the batch takes the next box from fromBox on; with
// clearRest the boxes after them are emptied (a new batch replaces the last).
void TForm1::fillRecipientBoxes(const QList<Recipient>& batch, int fromBox, bool clearRest)
{
    const QList<QLineEdit*> boxes = recipientBoxes();
    for (qsizetype k = fromBox; k < boxes.size(); ++k) {
        const qsizetype at = k - fromBox;
        if (at < batch.size())
            boxes[k]->setText(batch[at].number);
        else if (clearRest)
            boxes[k]->clear();
    }
}

void TForm1::showWaitingRecipients()
{
    QStringList parts;
    if (m_recipients.waiting() > 0)
        parts << QStringLiteral("尚有 %1 位待發送").arg(m_recipients.waiting());
    if (m_greetedToday > 0)
        parts << QStringLiteral("今天已祝福 %1 位").arg(m_greetedToday);
    Label10->setText(parts.join(QStringLiteral("，")));
    Label10->setAccessibleName(Label10->text());
}

// Birthdays of the last days not greeted since, whether the program ran then
// or not: the user may send them along with today's. No is kept in the send
// log, so they are not offered again.
void TForm1::offerMissedBirthdays()
{
    if (m_missedBirthdays.isEmpty())
        return;
    const QList<Recipient> missed = std::exchange(m_missedBirthdays, {});
    if (!m_services.dialogs->askYesNo(
            QStringLiteral("有 %1 位朋友在前幾天生日，還沒送出祝福，要一併發送嗎？")
                .arg(missed.size()))) {
        logDeclined(missed, QStringLiteral("選擇不補發前幾天的生日祝福"));
        return;
    }
    addToRecipientBoxes(missed);
}

void TForm1::offerNotConfirmed()
{
    if (m_notConfirmed.isEmpty())
        return;
    const QList<Recipient> unsure = std::exchange(m_notConfirmed, {});
    if (!m_services.dialogs->askYesNoDefaultNo(
            QStringLiteral("有 %1 位朋友的祝福可能已經送出，但沒有收到閘道的確認，要再發送一次嗎？")
                .arg(unsure.size()))) {
        logDeclined(unsure, QStringLiteral("閘道沒有確認，選擇不再發送"));
        return;
    }
    addToRecipientBoxes(unsure);
}

// The recipients go into the free boxes after the filled ones; the rest wait.
void TForm1::addToRecipientBoxes(const QList<Recipient>& recipients)
{
    m_recipients.append(recipients);
    int firstFree = 0;
    while (firstFree < 5 && !recipientBox(firstFree + 1)->text().isEmpty())
        ++firstFree;
    fillRecipientBoxes(m_recipients.takeBatch(5 - firstFree), firstFree, false);
    showWaitingRecipients();
}

// When a chain has sent one batch, the next one waits for the user's word.
void TForm1::sendNextBatch()
{
    const int waiting = m_recipients.waiting();
    if (waiting == 0)
        return;
    fillRecipientBoxes(m_recipients.takeBatch(5), 0, true);
    showWaitingRecipients();
    if (m_services.dialogs->askYesNo(
            QStringLiteral("還有 %1 位朋友今天生日，要接著發送嗎？").arg(waiting)) &&
        messageFitsEveryone())
        startOneStep();
}

bool TForm1::messageIsWritten()
{
    if (!Memo1->text().trimmed().isEmpty())
        return true;
    m_services.dialogs->showMessage(QStringLiteral("簡訊內容是空的，請先輸入祝福的話"));
    Memo1->setFocus();
    return false;
}

bool TForm1::confirmSendingAgain()
{
    const QDate today = m_services.clock->now().date();
    GreetingRecord record;
    try {
        record = sendLog().greetings(today);
    } catch (const Failure& failure) {
        reportSendLogFailure(failure.text());
        watchSendLog();
        record = sendLog().runGreetings(today);
        // Once the user has said to send anyway, this run does not ask again.
        if (!m_sendingWithoutLog) {
            if (!m_services.dialogs->askYesNoDefaultNo(
                    QStringLiteral("無法讀取發送紀錄，不知道今天已經祝福過誰\n仍要發送嗎？")))
                return false;
            m_sendingWithoutLog = true;
        }
    }
    QStringList again;
    for (QLineEdit* box : recipientBoxes()) {
        const QString dialled = dialledNumber(box->text());
        if (!dialled.isEmpty() &&
            (record.greeted.contains(dialled) || record.notConfirmed.contains(dialled)))
            again << box->text();
    }
    if (again.isEmpty())
        return true;
    return m_services.dialogs->askYesNoDefaultNo(
        QStringLiteral("這些門號今天已經發送過了：%1，仍要再發送嗎？")
            .arg(again.join(QStringLiteral("、"))));
}

bool TForm1::confirmScheduleInThePast()
{
    if (RadioButton1->isChecked())
        return true;
    bool hourOk = false;
    bool minuteOk = false;
    const int hour = ComboBox1->currentText().trimmed().toInt(&hourOk);
    const int minute = ComboBox2->currentText().trimmed().toInt(&minuteOk);
    if (!hourOk || !minuteOk)
        return true;
    // The gateway's hours run from 01 to 24; 24 o'clock is the next midnight.
    const QDateTime scheduled =
        QDateTime(DateTimePicker1->date(), QTime(0, 0)).addSecs(hour * 3600 + minute * 60);
    if (scheduled > m_services.clock->now())
        return true;
    return m_services.dialogs->askYesNo(QStringLiteral("預約時間已經過了，仍要發送嗎？"));
}

QList<int> TForm1::personalBoxes() const
{
    QList<int> boxes;
    if (!PersonalMessage::hasPlaceholder(Memo1->text()))
        return boxes;
    for (int k = 0; k < 5; ++k) {
        if (!recipientBox(k + 1)->text().isEmpty())
            boxes << k;
    }
    return boxes;
}

QString TForm1::nameFor(const QString& number)
{
    const QString known = m_recipients.nameOf(number);
    if (!known.isEmpty() || !ADOConnection1)
        return known;
    const QString dialled = dialledNumber(number);
    if (const auto cached = m_bookNames.constFind(dialled); cached != m_bookNames.cend())
        return *cached;
    const QString names = bookNamesFor(*ADOConnection1, number);
    m_bookNames.insert(dialled, names);
    return names;
}

QString TForm1::textFor(const QString& number)
{
    const QString message = Memo1->text();
    if (!PersonalMessage::hasPlaceholder(message))
        return message;
    return PersonalMessage::forName(message, nameFor(number));
}

QString TForm1::friendOf(const QString& number)
{
    const QString name = nameFor(number);
    return name.isEmpty() ? number : name;
}

// A name is never cut off silently: a text too long once it is filled in
// stops the send before anything is submitted.
bool TForm1::messageFitsEveryone()
{
    for (int k : personalBoxes()) {
        const QString number = recipientBox(k + 1)->text();
        const QString text = textFor(number);
        const int budget = messageBudget(text);
        if (text.size() <= budget)
            continue;
        m_services.dialogs->showMessage(
            QStringLiteral("給%1的簡訊填入姓名後有 %2 字，超過 %3 字的上限，請縮短簡訊內容")
                .arg(friendOf(number))
                .arg(text.size())
                .arg(budget));
        Memo1->setFocus();
        return false;
    }
    return true;
}

// Each recipient box tells, as its tool tip, the exact text its number gets;
// none while the book cannot be read (sending then says why).
void TForm1::showRecipientTexts()
{
    for (QLineEdit* box : recipientBoxes()) {
        try {
            box->setToolTip(box->text().isEmpty() ? QString() : textFor(box->text()));
        } catch (const Failure&) {
            box->setToolTip(QString());
        }
    }
}

qint64 TForm1::logSend(const SendValues& values)
{
    QStringList numbers;
    QStringList names;
    for (const QString& number : values.recipients) {
        if (number.isEmpty())
            continue;
        numbers << number;
        names << nameFor(number);
    }
    const QString schedule =
        RadioButton1->isChecked()
            ? QString()
            : QStringLiteral("%1 %2:%3")
                  .arg(DateTimePicker1->date().toString(QStringLiteral("yyyy-MM-dd")),
                       ComboBox1->currentText(), ComboBox2->currentText());
    const qint64 id =
        sendLog().recordSend(m_services.clock->now(), numbers, names, values.message, schedule);
    watchSendLog();
    return id;
}

qint64 TForm1::logVerify()
{
    const qint64 id = sendLog().recordVerify(m_services.clock->now());
    watchSendLog();
    return id;
}

void TForm1::logAnswer(qint64 logId, const AnswerPage& page, bool refused)
{
    if (logId == 0)
        return;
    sendLog().recordAnswer(logId, page.title, GatewayAnswer::detail(page), refused);
    watchSendLog();
    refreshHistory();
}

void TForm1::logDeclined(const QList<Recipient>& recipients, const QString& why)
{
    QStringList numbers;
    QStringList names;
    for (const Recipient& recipient : recipients) {
        numbers << recipient.number;
        names << recipient.name;
    }
    sendLog().recordDeclined(m_services.clock->now(), numbers, names, why);
    watchSendLog();
}

void TForm1::logNotSubmitted(qint64 logId, const QString& why)
{
    if (logId == 0)
        return;
    sendLog().recordNotSubmitted(logId, why);
    watchSendLog();
}

void TForm1::refreshHistory()
{
    if (PageControl1->currentWidget() != TabSheet3)
        return;
    QList<QStringList> rows;
    try {
        rows = HistoryTable::rows(sendLog().entries());
    } catch (const Failure& failure) {
        reportSendLogFailure(failure.text());
    }
    StringGrid1->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(rows[r][c]);
            item->setToolTip(rows[r][c]);
            StringGrid1->setItem(r, c, item);
        }
    }
}
