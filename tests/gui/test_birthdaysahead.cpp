#include "ContactBookFiles.h"
#include "Memo.h"
#include "ScriptedWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolTip>

// What the sending page shows of each friend's own text, and the page of
// the birthdays ahead, as a user meets them.
class TestBirthdaysAhead : public QObject, private ScriptedWindow
{
    Q_OBJECT

private Q_SLOTS:
    void init() { newFolder(); }
    void cleanup() { closeWindow(); }

    void counterAndToolTipsShowEachFriendsText();
    void resendPutsTheMissedIntoTheBoxes();

private:
    void start(const QList<ContactRow>& rows);
    void clickTab(QWidget* page);
};

void TestBirthdaysAhead::start(const QList<ContactRow>& rows)
{
    writeContactBook(contactBookPath(), rows);
    makeForm();
    activateForm();
    m_dialogs.clear();
}

void TestBirthdaysAhead::clickTab(QWidget* page)
{
    QTabBar* tabs = m_form->PageControl1->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {},
                      tabs->tabRect(m_form->PageControl1->indexOf(page)).center());
}

// The count is the one of the friend whose text is longest, and the label
// names them; each recipient box's tool tip is the text its number gets.
void TestBirthdaysAhead::counterAndToolTipsShowEachFriendsText()
{
    start({{QStringLiteral("Al"), QStringLiteral("800305"), QStringLiteral("0911")},
           {QStringLiteral("歐陽小明"), QStringLiteral("800305"), QStringLiteral("0922")},
           {QStringLiteral("Bob"), QStringLiteral("800101"), QStringLiteral("0944")}});
    m_form->Edit13->setText(QStringLiteral("0933"));
    m_form->Edit14->setText(QStringLiteral("0944"));
    m_form->Memo1->clear();
    giveFocus(m_form->Memo1);
    QTest::keyClicks(m_form->Memo1, QStringLiteral("Hi {name}!"));
    // "Hi 歐陽小明!" has a Chinese name: 70 - 8.
    QCOMPARE(m_form->Edit4->text(), QStringLiteral("62"));
    QCOMPARE(m_form->findChild<QLabel*>(QStringLiteral("Label15"))->text(),
             QStringLiteral("給歐陽小明"));
    QCOMPARE(m_form->Edit11->toolTip(), QStringLiteral("Hi Al!"));
    QCOMPARE(m_form->Edit12->toolTip(), QStringLiteral("Hi 歐陽小明!"));
    // Numbers typed by hand: the book's name, or none when it has no such number.
    QCOMPARE(m_form->Edit13->toolTip(), QStringLiteral("Hi!"));
    QCOMPARE(m_form->Edit14->toolTip(), QStringLiteral("Hi Bob!"));
    // The keyboard user sees it too.
    giveFocus(m_form->CheckBox1);
    QTest::keyClick(m_form->CheckBox1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), m_form->Edit11);
    QTRY_COMPARE_WITH_TIMEOUT(QToolTip::text(), QStringLiteral("Hi Al!"), 2000);
    giveFocus(m_form->Memo1);

    // Without the placeholder everybody gets the message as it stands.
    m_form->Memo1->selectAll();
    QTest::keyClicks(m_form->Memo1, QStringLiteral("Hello"));
    QCOMPARE(m_form->Edit4->text(), QStringLiteral("135"));
    QVERIFY(m_form->findChild<QLabel*>(QStringLiteral("Label15"))->text().isEmpty());
    QCOMPARE(m_form->Edit12->toolTip(), QStringLiteral("Hello"));
}

// Today's birthday and the days ahead are listed in date order, with the
// last days' birthdays not greeted marked; "補發" puts those into the boxes.
void TestBirthdaysAhead::resendPutsTheMissedIntoTheBoxes()
{
    start({{QStringLiteral("十天後"), QStringLiteral("800315"), QStringLiteral("0955")},
           {QStringLiteral("今天"), QStringLiteral("800305"), QStringLiteral("0911")},
           {QStringLiteral("前天"), QStringLiteral("800303"), QStringLiteral("0933")},
           {QStringLiteral("上個月"), QStringLiteral("800201"), QStringLiteral("0944")}});
    clickTab(m_form->TabSheet5);
    QTableWidget* grid = m_form->StringGrid2;
    QCOMPARE(grid->rowCount(), 3);
    const QStringList expected[] = {
        {"03-03", "週二", "2 天前", "前天", "0933", "未祝福"},
        {"03-05", "週四", "今天", "今天", "0911", "待祝福"},
        {"03-15", "週日", "10 天後", "十天後", "0955", ""},
    };
    for (int r = 0; r < 3; ++r) {
        QStringList row;
        for (int c = 0; c < grid->columnCount(); ++c)
            row << grid->item(r, c)->text();
        QCOMPARE(row, expected[r]);
    }
    QTest::mouseClick(m_form->Button9, Qt::LeftButton);
    QCOMPARE(m_form->PageControl1->currentWidget(), m_form->TabSheet2);
    QCOMPARE(m_form->Edit11->text(), QStringLiteral("0911"));
    QCOMPARE(m_form->Edit12->text(), QStringLiteral("0933"));
    QVERIFY(m_form->Edit13->text().isEmpty());
}

QTEST_MAIN(TestBirthdaysAhead)
#include "test_birthdaysahead.moc"
