#include "Unit1.h"

#include "BirthdayScanTask.h"
#include "Clock.h"
#include "ContactDataset.h"
#include "ContactStore.h"
#include "DatePicker.h"
#include "Dialogs.h"
#include "Failure.h"
#include "GreetingPlan.h"
#include "HistoryTable.h"
#include "Memo.h"
#include "MissedDays.h"
#include "SendLog.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>

void TForm1::createHistoryPage()
{
    StringGrid1 = new QTableWidget(0, int(HistoryTable::columns().size()), TabSheet3);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setAccessibleName(QStringLiteral("發送紀錄"));
    StringGrid1->setHorizontalHeaderLabels(HistoryTable::columns());
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->horizontalHeader()->setStretchLastSection(true);
    StringGrid1->verticalHeader()->hide();
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl1->widget(index) == TabSheet3)
            refreshHistory();
    });
}

void TForm1::openSendLog()
{
    if (m_sendLog || m_sendLogFailureShown)
        return;
    logged([this] {
        m_sendLog = std::make_unique<SendLog>(m_services.exeDir + SendLog::fileName());
        return 0;
    });
}

// The log serves the user; it never stands between the user and the gateway.
template <typename Operation> auto TForm1::logged(Operation operation) -> decltype(operation())
{
    try {
        return operation();
    } catch (const Failure& failure) {
        m_sendLog.reset();
        if (!m_sendLogFailureShown) {
            m_sendLogFailureShown = true;
            m_services.dialogs->showMessage(
                failure.text() +
                QStringLiteral("\n發送紀錄暫停記錄，簡訊仍可照常發送；請確認程式資料夾可以寫入"));
        }
        return decltype(operation())();
    }
}

// Today's birthday contacts not greeted yet today go into the boxes, the
// first five in table order, the others wait for the next batches.
bool TForm1::scanBirthdays(const QDateTime& startedAt)
{
    if (!ADOTable1)
        return true;
    const QDate today = startedAt.date();
    openSendLog();
    std::optional<QDate> lastStartup;
    QHash<QString, QDate> greeted;
    if (m_sendLog) {
        lastStartup = logged([&] { return m_sendLog->lastStartupBefore(today); });
        greeted = logged([&] { return m_sendLog->greetedSince(today.addDays(-missedDaysKept)); });
    }
    const BirthdayScan::Result found =
        std::exchange(m_birthdayScan, {})->take(missedDays(lastStartup, today));
    ADOTable1->last();

    const GreetingPlan plan = planGreetings(found, greeted, today);
    m_greetedToday = plan.greetedToday;
    m_missedBirthdays = plan.missed;
    m_recipients.append(plan.today);
    const int count = m_recipients.waiting();
    fillRecipientBoxes(m_recipients.takeBatch(5), 0, false);
    if (m_sendLog)
        logged([&] {
            m_sendLog->recordStartup(startedAt);
            return 0;
        });
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
}

// Birthdays of the days the program did not run, not greeted since: the user
// may send them along with today's.
void TForm1::offerMissedBirthdays()
{
    if (m_missedBirthdays.isEmpty())
        return;
    const QList<Recipient> missed = std::exchange(m_missedBirthdays, {});
    if (!m_services.dialogs->askYesNo(
            QStringLiteral("有 %1 位朋友在前幾天生日，還沒送出祝福，要一併發送嗎？")
                .arg(missed.size())))
        return;
    m_recipients.append(missed);
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
            QStringLiteral("還有 %1 位朋友今天生日，要接著發送嗎？").arg(waiting)))
        startOneStep();
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

qint64 TForm1::logSend()
{
    openSendLog();
    if (!m_sendLog)
        return 0;
    QStringList numbers;
    QStringList names;
    for (QLineEdit* box : recipientBoxes()) {
        if (box->text().isEmpty())
            continue;
        numbers << box->text();
        names << m_recipients.nameOf(box->text());
    }
    const QString schedule =
        RadioButton1->isChecked()
            ? QString()
            : QStringLiteral("%1 %2:%3")
                  .arg(DateTimePicker1->date().toString(QStringLiteral("yyyy-MM-dd")),
                       ComboBox1->currentText(), ComboBox2->currentText());
    return logged([&] {
        return m_sendLog->recordSend(m_services.clock->now(), numbers, names, Memo1->text(),
                                     schedule);
    });
}

qint64 TForm1::logVerify()
{
    openSendLog();
    if (!m_sendLog)
        return 0;
    return logged([&] { return m_sendLog->recordVerify(m_services.clock->now()); });
}

void TForm1::logAnswer(qint64 logId)
{
    if (logId == 0)
        return;
    const std::weak_ptr<int> alive = m_alive;
    TForm1* const form = this;
    m_services.browser->readPageSummary(
        [alive, form, logId](const QString& title, const QString& line) {
            if (alive.expired() || !form->m_sendLog)
                return;
            form->logged([&] {
                form->m_sendLog->recordAnswer(logId, title, line);
                return 0;
            });
            form->refreshHistory();
        });
}

void TForm1::logNotSubmitted(qint64 logId, const QString& why)
{
    if (logId == 0 || !m_sendLog)
        return;
    logged([&] {
        m_sendLog->recordNotSubmitted(logId, why);
        return 0;
    });
}

void TForm1::refreshHistory()
{
    if (!m_sendLog || PageControl1->currentWidget() != TabSheet3)
        return;
    const QList<LoggedSubmission> entries = logged([this] { return m_sendLog->entries(); });
    StringGrid1->setRowCount(int(entries.size()));
    for (int r = 0; r < entries.size(); ++r) {
        const QStringList cells = HistoryTable::row(entries[r]);
        for (int c = 0; c < cells.size(); ++c)
            StringGrid1->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    StringGrid1->resizeColumnsToContents();
}
