// The "近期生日" page: the birthdays of the days ahead, today's, and the last
// days' not greeted, which "補發" puts into the recipient boxes.
#include "Unit1.h"

#include "Clock.h"
#include "ContactStore.h"
#include "Dialogs.h"
#include "Failure.h"
#include "Guard.h"
#include "SendJournal.h"
#include "UpcomingBirthdays.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

void TForm1::createUpcomingPage()
{
    auto* layout = new QVBoxLayout(TabSheet5);
    layout->setContentsMargins(2, 2, 2, 2);
    StringGrid2 = new QTableWidget(0, int(UpcomingBirthdays::columns().size()), TabSheet5);
    StringGrid2->setObjectName(QStringLiteral("StringGrid2"));
    StringGrid2->setAccessibleName(QStringLiteral("近期生日"));
    StringGrid2->setHorizontalHeaderLabels(UpcomingBirthdays::columns());
    StringGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid2->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    StringGrid2->verticalHeader()->hide();
    layout->addWidget(StringGrid2);
    Button9 = new QPushButton(QStringLiteral("補發"), TabSheet5);
    Button9->setObjectName(QStringLiteral("Button9"));
    Button9->setToolTip(QStringLiteral("把還沒祝福的前幾天壽星放進接收者門號，並切換到簡訊發送頁"));
    layout->addWidget(Button9, 0, Qt::AlignLeft);
}

void TForm1::connectUpcoming()
{
    Dialogs& dialogs = *m_services.dialogs;
    connect(PageControl1, &QTabWidget::currentChanged, this, guardedSlot(dialogs, [this] {
                if (PageControl1->currentWidget() == TabSheet5)
                    refreshUpcoming();
            }));
    connect(Button9, &QPushButton::clicked, this, guardedSlot(dialogs, [this] { Button9Click(); }));
}

void TForm1::refreshUpcoming()
{
    m_upcoming.clear();
    StringGrid2->setRowCount(0);
    Button9->setEnabled(false);
    if (!ADOConnection1)
        return;
    const QDate today = m_services.clock->now().date();
    const QList<UpcomingBirthday> found = UpcomingBirthdays(today).run(*ADOConnection1);
    const QDate since = today.addDays(-UpcomingBirthdays::daysBack);
    GreetingRecord record;
    try {
        record = sendLog().greetings(since);
    } catch (const Failure& failure) {
        reportSendLogFailure(failure.text());
        record = sendLog().runGreetings(since);
    }
    m_upcoming = UpcomingBirthdays::withGreetings(found, record);
    StringGrid2->setRowCount(int(m_upcoming.size()));
    bool missed = false;
    for (int r = 0; r < m_upcoming.size(); ++r) {
        const QStringList row = UpcomingBirthdays::row(m_upcoming[r]);
        const bool notGreeted = m_upcoming[r].inDays < 0;
        missed = missed || notGreeted;
        for (int c = 0; c < row.size(); ++c) {
            auto* item = new QTableWidgetItem(row[c]);
            if (notGreeted)
                item->setForeground(QColor(0x80, 0, 0));
            StringGrid2->setItem(r, c, item);
        }
    }
    Button9->setEnabled(missed);
}

// The selected ones of the last days' birthdays not greeted, or all of them
// when none is selected, go into the boxes.
void TForm1::Button9Click()
{
    QList<Recipient> chosen;
    QList<Recipient> all;
    for (int r = 0; r < m_upcoming.size(); ++r) {
        if (m_upcoming[r].inDays >= 0)
            continue;
        const Recipient recipient{m_upcoming[r].name, m_upcoming[r].number};
        all << recipient;
        if (StringGrid2->selectionModel()->isRowSelected(r))
            chosen << recipient;
    }
    addToRecipientBoxes(chosen.isEmpty() ? all : chosen);
    PageControl1->setCurrentIndex(1);
}
