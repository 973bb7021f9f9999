#include "ContactBookFiles.h"
#include "ContactDataset.h"
#include "ContactGrid.h"
#include "Fonts.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QAction>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <optional>

namespace {

ContactRow row(const char* name, const char* birthday, const char* mobile)
{
    return {QString::fromUtf8(name), QString::fromUtf8(birthday), QString::fromUtf8(mobile)};
}

using State = ContactDataset::State;

const QString greeting = QStringLiteral("今天有朋友生日哦，獻上您真誠的祝福!");

} // namespace

class TestContactPage : public QObject, private ScriptedWindow
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        registerFontSubstitutions();
        newFolder();
        m_path = contactBookPath();
    }
    void cleanup() { closeWindow(); }

    void startup_data();
    void startup();
    void missingContactBook();
    void gridColumns();

    void addSaveCancel();
    void addAndModifyLeaveTheFocusInTheGrid();
    void modifyAndSave();
    void deleteRules();
    void buttonsActOnTheRowShown();
    void buttonsWhenTheTableIsNotOpen();
    void lockedSaveKeepsTheRow();
    void saveWaitsForALockedBookOutsideSqlite();
    void changedElsewhereCanBeFollowed();
    void rowsAddedElsewhereAppear();
    void closeSavesTheRowBeingTyped();
    void closeDropsAnUntouchedAddedRow();
    void closeRefusedWhileTheRowCannotBeSaved();

    void typingEditsAndLeavingSaves();
    void downAppendsUpDrops();
    void escapeAbandons();
    void enterWritesTheCell();
    void insertAndCtrlDelete();
    void tabMovesBetweenCells();
    void birthdayEditor();
    void typedValuesChecked_data();
    void typedValuesChecked();
    void losingFocusDropsAnUntouchedRow();
    void largeContactBookStaysLazy();
    void importAndExportThroughTheMenuAndByDrop();
    void importAsksForAnEncodingItCannotTell();
    void cancelledImportChangesNothing();

private:
    void start(const QList<ContactRow>& rows, const QStringList& arguments = {});
    // Makes the window and shows it, which runs the start-up.
    void showWindow(const QStringList& arguments = {});
    void showContactPage();
    // On the shown contact page: adds a row with the mouse and types its
    // cells, Tab between them.
    void addRowTyping(const QStringList& cells);
    // A mouse click on the button, which takes the focus as a user's click does.
    static void press(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    QWidget* keyTarget() const;
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void type(const QString& text);
    void clickCell(int row, int column);
    // The user comes back to the window from another one.
    void reactivate();
    ContactGrid* grid() const { return m_form->DBGrid1; }
    ContactDataset* table() const { return grid()->dataset(); }
    QStringList boxes() const;

    QString m_path;
};

void TestContactPage::start(const QList<ContactRow>& rows, const QStringList& arguments)
{
    writeContactBook(m_path, rows);
    showWindow(arguments);
}

void TestContactPage::showWindow(const QStringList& arguments)
{
    makeForm(arguments);
    m_form->show();
}

void TestContactPage::showContactPage()
{
    m_form->PageControl1->setCurrentIndex(0);
    activateForm();
    giveFocus(grid());
}

void TestContactPage::addRowTyping(const QStringList& cells)
{
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QTRY_VERIFY(grid()->hasFocus());
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            key(Qt::Key_Tab);
        type(cells[i]);
    }
}

void TestContactPage::clickCell(int row, int column)
{
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                      grid()->visualRect(grid()->model()->index(row, column)).center());
}

void TestContactPage::reactivate()
{
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QApplication::setActiveWindow(m_form.get());
    QVERIFY(m_form->isActiveWindow());
}

QWidget* TestContactPage::keyTarget() const
{
    if (grid()->cellEditor())
        return grid()->cellEditor();
    return grid();
}

void TestContactPage::key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(keyTarget(), key, modifiers);
}

void TestContactPage::type(const QString& text)
{
    // Typed one character at a time: the first one opens the cell editor,
    // which then receives the rest.
    for (QChar c : text) {
        const auto code = c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, keyTarget(), code, QString(c), Qt::NoModifier);
    }
}

QStringList TestContactPage::boxes() const
{
    QStringList texts;
    for (QLineEdit* box : m_form->recipientBoxes())
        texts << box->text();
    return texts;
}

void TestContactPage::startup_data()
{
    QTest::addColumn<QList<ContactRow>>("rows");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<int>("gridRow");

    const QList<ContactRow> two = {row("甲", "800305", "0911"), row("乙", "810101", "0922"),
                                   row("丙", "820305", "0933"), row("丁", "830101", "0944")};
    QTest::newRow("two birthdays")
        << two << QStringList{} << QStringList{"0911", "0933", "", "", ""} << QStringList{greeting}
        << false << 3;
    QTest::newRow("two birthdays, argument")
        << two << QStringList{"/auto"} << QStringList{"0911", "0933", "", "", ""}
        << QStringList{greeting} << false << 3;
    const QList<ContactRow> none = {row("甲", "800101", "0911")};
    QTest::newRow("no birthday") << none << QStringList{} << QStringList(5) << QStringList{}
                                 << false << 0;
    QTest::newRow("no birthday, argument")
        << none << QStringList{"/auto"} << QStringList(5) << QStringList{} << true << 0;
    QTest::newRow("no birthday, empty argument")
        << none << QStringList{""} << QStringList(5) << QStringList{} << false << 0;
    QTest::newRow("empty table, argument") << QList<ContactRow>{} << QStringList{"/auto"}
                                           << QStringList(5) << QStringList{} << true << -1;
    QTest::newRow("empty mobile in the first box")
        << QList<ContactRow>{row("甲", "800305", "")} << QStringList{"/auto"} << QStringList(5)
        << QStringList{} << true << 0;
    QList<ContactRow> seven;
    for (int i = 1; i <= 7; ++i)
        seven << ContactRow{QStringLiteral("名"), QStringLiteral("800305"), QString::number(i)};
    QTest::newRow("seven birthdays")
        << seven << QStringList{"/auto"} << QStringList{"1", "2", "3", "4", "5"}
        << QStringList{QStringLiteral("發送人數超過五人!"), greeting} << false << 6;
}

void TestContactPage::startup()
{
    QFETCH(QList<ContactRow>, rows);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, messages);
    QFETCH(bool, closed);
    QFETCH(int, gridRow);

    start(rows, arguments);
    QCOMPARE(this->boxes(), boxes);
    QCOMPARE(m_dialogs.messages(), messages);
    QVERIFY(m_dialogs.errors().isEmpty());
    QCOMPARE(!m_form->isVisible(), closed);
    QCOMPARE(table()->currentRow(), gridRow);
    QCOMPARE(grid()->currentIndex().row(), gridRow);
}

void TestContactPage::missingContactBook()
{
    showWindow();
    QCOMPARE(firstLines(m_dialogs.errors()),
             QStringList{QStringLiteral("Could not find file '%1'.").arg(m_path)});
    QVERIFY(!QFileInfo::exists(m_path));
    QCOMPARE(boxes(), QStringList(5));
    QVERIFY(!table());
}

void TestContactPage::gridColumns()
{
    start({row("甲", "800101", "0911")});
    QCOMPARE(grid()->model()->columnCount(), 3);
    const QStringList titles = {"姓名", "生日", "手機號碼"};
    const int widths[] = {103, 126, 118};
    for (int column = 0; column < 3; ++column) {
        QCOMPARE(grid()->model()->headerData(column, Qt::Horizontal).toString(), titles[column]);
        QCOMPARE(grid()->columnWidth(column), widths[column]);
    }
    QVERIFY(!grid()->verticalHeader()->isHidden());
    QCOMPARE(grid()->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("▶"));
}

void TestContactPage::addSaveCancel()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    press(m_form->Button1);
    QVERIFY(m_form->Button3->isEnabled() && m_form->Button4->isEnabled());
    QCOMPARE(table()->state(), State::Insert);
    QCOMPARE(grid()->currentIndex().row(), 1);
    QCOMPARE(grid()->model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("*"));
    press(m_form->Button4);
    QVERIFY(!m_form->Button3->isEnabled() && !m_form->Button4->isEnabled());
    QCOMPARE(table()->rowCount(), 1);

    // Save without a change only disables the two buttons; the new row stays.
    press(m_form->Button1);
    press(m_form->Button3);
    QVERIFY(!m_form->Button3->isEnabled() && !m_form->Button4->isEnabled());
    QCOMPARE(table()->state(), State::Insert);

    // Editing in the grid leaves the buttons alone; modify turns them on.
    table()->setFieldValue(0, QStringLiteral("乙"));
    QVERIFY(!m_form->Button3->isEnabled());
    press(m_form->Button5);
    QCOMPARE(table()->state(), State::Insert);
    press(m_form->Button3);
    QCOMPARE(table()->state(), State::Browse);
    QCOMPARE(readContactBook(m_path).size(), 2);
    QVERIFY(m_dialogs.texts().isEmpty());
}

void TestContactPage::addAndModifyLeaveTheFocusInTheGrid()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    giveFocus(m_form->Button1);
    addRowTyping({"LEE", "900101", "0955"});
    key(Qt::Key_Up);
    QCOMPARE(table()->state(), State::Browse);
    QCOMPARE(readContactBook(m_path).last(), row("LEE", "900101", "0955"));

    giveFocus(m_form->Button2);
    QTest::mouseClick(m_form->Button5, Qt::LeftButton);
    QTRY_VERIFY(grid()->hasFocus());
    QCOMPARE(table()->state(), State::Edit);
}

void TestContactPage::modifyAndSave()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    press(m_form->Button5);
    QCOMPARE(table()->state(), State::Edit);
    QVERIFY(m_form->Button3->isEnabled());
    // No change: save leaves the row in edit state with both buttons off.
    press(m_form->Button3);
    QCOMPARE(table()->state(), State::Edit);
    QVERIFY(!m_form->Button3->isEnabled() && !m_form->Button4->isEnabled());

    table()->setFieldValue(2, QStringLiteral("0999"));
    press(m_form->Button5);
    press(m_form->Button3);
    QCOMPARE(readContactBook(m_path), QList<ContactRow>{row("甲", "800101", "0999")});

    press(m_form->Button5);
    table()->setFieldValue(2, QStringLiteral("0000"));
    press(m_form->Button4);
    QCOMPARE(table()->fieldValue(2).toString(), QStringLiteral("0999"));
}

void TestContactPage::deleteRules()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    press(m_form->Button2);
    QVERIFY(m_form->Button3->isEnabled() && m_form->Button4->isEnabled());
    QCOMPARE(readContactBook(m_path), QList<ContactRow>{});
    press(m_form->Button3);
    QVERIFY(!m_form->Button3->isEnabled() && !m_form->Button4->isEnabled());

    press(m_form->Button2);
    QCOMPARE(firstLines(m_dialogs.messages()),
             QStringList{QStringLiteral(
                 "發生錯誤:ADOTable1: Cannot perform this operation on an empty dataset")});
    QVERIFY(m_form->Button3->isEnabled() && m_form->Button4->isEnabled());
}

// Clicking a button moves the focus out of the grid; that never changes the
// row the button acts on.
void TestContactPage::buttonsActOnTheRowShown()
{
    start({row("甲", "800101", "0911"), row("乙", "810101", "0922")});
    showContactPage();
    // 新增 then 刪除 drops only the new row.
    press(m_form->Button1);
    QTRY_VERIFY(grid()->hasFocus());
    press(m_form->Button2);
    QCOMPARE(table()->rowCount(), 2);
    QCOMPARE(table()->state(), State::Browse);
    QCOMPARE(readContactBook(m_path).size(), 2);

    // 新增 then 修改 does nothing: the new row stays new.
    press(m_form->Button1);
    QTRY_VERIFY(grid()->hasFocus());
    press(m_form->Button5);
    QCOMPARE(table()->state(), State::Insert);
    QCOMPARE(table()->currentRow(), 2);
    press(m_form->Button4);
    QCOMPARE(table()->rowCount(), 2);

    // 修改 then 刪除 deletes the row clicked on and being edited.
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                      grid()->visualRect(grid()->model()->index(0, 0)).center());
    QCOMPARE(table()->currentRow(), 0);
    press(m_form->Button5);
    QCOMPARE(table()->state(), State::Edit);
    press(m_form->Button2);
    QCOMPARE(readContactBook(m_path), QList<ContactRow>{row("乙", "810101", "0922")});
    QVERIFY(m_dialogs.texts().isEmpty());
}

void TestContactPage::buttonsWhenTheTableIsNotOpen()
{
    showWindow();
    showContactPage();
    m_dialogs.clear();
    for (QPushButton* button : {m_form->Button1, m_form->Button5, m_form->Button2}) {
        m_form->Button3->setEnabled(false);
        m_form->Button4->setEnabled(false);
        press(button);
        QVERIFY(m_form->Button3->isEnabled() && m_form->Button4->isEnabled());
    }
    press(m_form->Button3);
    QVERIFY(!m_form->Button3->isEnabled() && !m_form->Button4->isEnabled());
    press(m_form->Button1);
    press(m_form->Button4);
    QVERIFY(!m_form->Button3->isEnabled() && !m_form->Button4->isEnabled());
    QVERIFY(m_dialogs.texts().isEmpty());
    QVERIFY(!QFileInfo::exists(m_path));
}

void TestContactPage::lockedSaveKeepsTheRow()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    press(m_form->Button1);
    table()->setFieldValue(0, QStringLiteral("乙"));
    {
        const ContactBookLock lock(m_path);
        press(m_form->Button3);
    }
    QCOMPARE(firstLines(m_dialogs.messages()),
             QStringList{QStringLiteral(
                 "發生錯誤:ADOTable1: Could not save the contact: database is locked")});
    QVERIFY(!m_form->Button3->isEnabled() && !m_form->Button4->isEnabled());
    QCOMPARE(table()->state(), State::Insert);
    QCOMPARE(table()->fieldValue(0).toString(), QStringLiteral("乙"));
    press(m_form->Button1);
    QCOMPARE(readContactBook(m_path).size(), 2);
}

// A save that meets a locked book waits outside SQLite: meanwhile the grid
// paints from the rows it holds (reading none), the browser's page waits for
// the save, and the save completes once the lock is gone.
void TestContactPage::saveWaitsForALockedBookOutsideSqlite()
{
    QList<ContactRow> rows;
    for (int i = 0; i < 600; ++i)
        rows << ContactRow{QStringLiteral("名%1").arg(i), QStringLiteral("800101"),
                           QString::number(i)};
    start(rows);
    showContactPage();
    key(Qt::Key_Home, Qt::ControlModifier);
    press(m_form->Button5);
    type(QStringLiteral("Amy"));
    std::optional<ContactBookLock> lock(std::in_place, m_path);
    bool waiting = false;
    QVariant unread = QStringLiteral("not asked");
    int loaded = -1;
    QString siteWarning = QStringLiteral("not asked");
    QTimer during;
    during.setSingleShot(true);
    connect(&during, &QTimer::timeout, this, [&] {
        waiting = table()->isWaiting();
        loaded = table()->loadedRowCount();
        unread = grid()->model()->index(300, 0).data();
        grid()->viewport()->repaint();
        m_browser->completeDocument(QStringLiteral("http://elsewhere.example/"));
        siteWarning = m_form->Label11->text();
        loaded -= table()->loadedRowCount();
        lock.reset();
    });
    during.start(50);
    press(m_form->Button3);
    QVERIFY2(waiting, qPrintable(m_dialogs.texts().join(QLatin1Char('\n'))));
    QCOMPARE(unread, QVariant());
    QCOMPARE(loaded, 0);
    QCOMPARE(siteWarning, QString());
    QVERIFY(m_dialogs.texts().isEmpty());
    QCOMPARE(table()->state(), State::Browse);
    QCOMPARE(readContactBook(m_path)[0][0].toString(), QStringLiteral("Amy"));
    QCOMPARE(grid()->model()->index(300, 0).data().toString(), QStringLiteral("名300"));
    QTRY_VERIFY(m_form->Label11->text().contains(QStringLiteral("elsewhere.example")));
}

// After "此筆聯絡人已被其他程式修改，請按取消後重新載入" 取消 can be pressed and
// shows the row as the file holds it; leaving the row is not refused again.
// The box runs the event loop as a real one does: coming back to the window
// meanwhile does not read the rows under the row being edited.
void TestContactPage::changedElsewhereCanBeFollowed()
{
    start({row("甲", "800101", "0911"), row("乙", "810101", "0922")});
    showContactPage();
    m_dialogs.runEventLoopWhileOpen(20);
    clickCell(0, 0);
    press(m_form->Button5);
    type(QStringLiteral("Amy"));
    execOnContactBook(m_path, {"UPDATE contact SET 手機號碼='0999' WHERE rowid=1",
                               "INSERT INTO contact VALUES ('丙','820101','0933')"});
    m_dialogs.setOnShow([this](const RecordingDialogs::Shown&) {
        QTimer::singleShot(0, this, [this] { reactivate(); });
    });
    press(m_form->Button3);
    m_dialogs.setOnShow({});
    QCOMPARE(m_dialogs.messages().size(), 1);
    QVERIFY(m_dialogs.messages().first().endsWith(
        QStringLiteral("此筆聯絡人已被其他程式修改，請按取消後重新載入")));
    QCOMPARE(table()->state(), State::Edit);
    QCOMPARE(table()->fieldValue(0).toString(), QStringLiteral("Amy"));
    QVERIFY(!m_form->Button3->isEnabled());
    QVERIFY(m_form->Button4->isEnabled());

    press(m_form->Button4);
    QCOMPARE(table()->state(), State::Browse);
    QCOMPARE(table()->currentRow(), 0);
    QCOMPARE(table()->rowCount(), 3);
    QCOMPARE(table()->fieldValue(0).toString(), QStringLiteral("甲"));
    QCOMPARE(table()->fieldValue(2).toString(), QStringLiteral("0999"));
    QCOMPARE(grid()->model()->index(2, 0).data().toString(), QStringLiteral("丙"));

    // Leaving the row in the grid: refused once, then the typing is abandoned.
    m_dialogs.clear();
    type(QStringLiteral("Bob"));
    execOnContactBook(m_path, {"UPDATE contact SET 生日='800102' WHERE rowid=1"});
    key(Qt::Key_Down);
    QCOMPARE(m_dialogs.texts().size(), 1);
    QCOMPARE(table()->currentRow(), 0);
    QVERIFY(m_form->Button4->isEnabled());
    key(Qt::Key_Down);
    QCOMPARE(m_dialogs.texts().size(), 1);
    QCOMPARE(table()->currentRow(), 1);
    QCOMPARE(readContactBook(m_path)[0], row("甲", "800102", "0999"));
    QCOMPARE(grid()->model()->index(0, 1).data().toString(), QStringLiteral("800102"));
}

// Rows another program added appear when the user comes back to the window,
// the current row staying current; never under a row being edited.
void TestContactPage::rowsAddedElsewhereAppear()
{
    start({row("甲", "800101", "0911"), row("乙", "810101", "0922")});
    showContactPage();
    clickCell(1, 0);
    execOnContactBook(m_path, {"INSERT INTO contact VALUES ('丙','820101','0933')"});
    reactivate();
    QCOMPARE(table()->rowCount(), 3);
    QCOMPARE(table()->currentRow(), 1);
    QCOMPARE(grid()->model()->index(2, 0).data().toString(), QStringLiteral("丙"));

    type(QStringLiteral("Amy"));
    execOnContactBook(m_path, {"INSERT INTO contact VALUES ('丁','830101','0944')"});
    reactivate();
    QCOMPARE(table()->rowCount(), 3);
    QCOMPARE(table()->state(), State::Edit);
    key(Qt::Key_Escape);
    key(Qt::Key_Escape);
    reactivate();
    QCOMPARE(table()->rowCount(), 4);
    QCOMPARE(table()->currentRow(), 1);
}

void TestContactPage::closeSavesTheRowBeingTyped()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    addRowTyping({"LEE", "900101", "0955"});
    QVERIFY(grid()->cellEditor());

    QVERIFY(m_form->close());
    QVERIFY(m_dialogs.texts().isEmpty());
    QCOMPARE(readContactBook(m_path),
             (QList<ContactRow>{row("甲", "800101", "0911"), row("LEE", "900101", "0955")}));
}

void TestContactPage::closeDropsAnUntouchedAddedRow()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    press(m_form->Button1);
    QVERIFY(m_form->close());
    QVERIFY(m_dialogs.texts().isEmpty());
    QCOMPARE(readContactBook(m_path), QList<ContactRow>{row("甲", "800101", "0911")});
}

// A row that cannot be saved keeps the window open, the row as typed; once
// the row is abandoned, or can be saved, the window closes.
void TestContactPage::closeRefusedWhileTheRowCannotBeSaved()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    addRowTyping({"LEE", "90"});
    QVERIFY(!m_form->close());
    QVERIFY(m_form->isVisible());
    QCOMPARE(
        firstLines(m_dialogs.errors()),
        QStringList{QStringLiteral("Invalid input value.  Use escape key to abandon changes")});
    QCOMPARE(table()->fieldValue(0).toString(), QStringLiteral("LEE"));
    key(Qt::Key_Escape);
    key(Qt::Key_Tab);
    type(QStringLiteral("0955"));
    m_dialogs.clear();

    {
        const ContactBookLock lock(m_path);
        QVERIFY(!m_form->close());
    }
    QCOMPARE(m_dialogs.errors().size(), 1);
    QVERIFY2(m_dialogs.errors().first().contains(QStringLiteral("database is locked")),
             qPrintable(m_dialogs.errors().first()));
    QCOMPARE(table()->state(), State::Insert);
    QCOMPARE(readContactBook(m_path).size(), 1);

    QVERIFY(m_form->close());
    // The abandoned birthday was never written: it stays empty (null).
    QCOMPARE(readContactBook(m_path).last(),
             (ContactRow{QStringLiteral("LEE"), QVariant(), QStringLiteral("0955")}));
}

void TestContactPage::typingEditsAndLeavingSaves()
{
    start({row("甲", "800101", "0911"), row("乙", "810101", "0922")});
    showContactPage();
    table()->first();
    type(QStringLiteral("Amy"));
    QVERIFY(grid()->cellEditor());
    QCOMPARE(table()->state(), State::Edit);
    QVERIFY(!m_form->Button3->isEnabled());
    key(Qt::Key_Down);
    QVERIFY(!grid()->cellEditor());
    QCOMPARE(table()->currentRow(), 1);
    QCOMPARE(readContactBook(m_path)[0][0].toString(), QStringLiteral("Amy"));

    // A name is cut at 20 characters where it is typed.
    type(QString(25, QLatin1Char('n')));
    key(Qt::Key_Up);
    QCOMPARE(readContactBook(m_path)[1][0].toString(), QString(20, QLatin1Char('n')));
}

void TestContactPage::downAppendsUpDrops()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    key(Qt::Key_Down);
    QCOMPARE(table()->rowCount(), 2);
    QCOMPARE(table()->state(), State::Insert);
    QCOMPARE(grid()->currentIndex().row(), 1);
    // Down on an untouched appended row stays there.
    key(Qt::Key_Down);
    QCOMPARE(table()->rowCount(), 2);
    key(Qt::Key_Up);
    QCOMPARE(table()->rowCount(), 1);
    QCOMPARE(grid()->currentIndex().row(), 0);
    QCOMPARE(table()->state(), State::Browse);

    key(Qt::Key_Down);
    type(QStringLiteral("乙"));
    key(Qt::Key_Down);
    QCOMPARE(table()->rowCount(), 3);
    QCOMPARE(readContactBook(m_path).size(), 2);
}

void TestContactPage::escapeAbandons()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    type(QStringLiteral("乙"));
    key(Qt::Key_Enter);
    grid()->setCurrentIndex(grid()->model()->index(0, 2));
    type(QStringLiteral("0"));
    // The first Escape abandons the cell, the second the row.
    key(Qt::Key_Escape);
    QVERIFY(!grid()->cellEditor());
    QCOMPARE(table()->state(), State::Edit);
    QCOMPARE(table()->fieldValue(0).toString(), QStringLiteral("乙"));
    QCOMPARE(table()->fieldValue(2).toString(), QStringLiteral("0911"));
    key(Qt::Key_Escape);
    QCOMPARE(table()->state(), State::Browse);
    QCOMPARE(table()->fieldValue(0).toString(), QStringLiteral("甲"));
    QCOMPARE(readContactBook(m_path), QList<ContactRow>{row("甲", "800101", "0911")});
}

void TestContactPage::enterWritesTheCell()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    type(QStringLiteral("乙"));
    key(Qt::Key_Return);
    QVERIFY(!grid()->cellEditor());
    QCOMPARE(table()->fieldValue(0).toString(), QStringLiteral("乙"));
    QVERIFY(table()->isModified());
    QCOMPARE(readContactBook(m_path)[0][0].toString(), QStringLiteral("甲"));
    // Enter again opens the editor on the cell.
    key(Qt::Key_Return);
    QVERIFY(grid()->cellEditor());
}

void TestContactPage::insertAndCtrlDelete()
{
    start({row("甲", "1", "1"), row("乙", "2", "2")});
    showContactPage();
    key(Qt::Key_Down);
    key(Qt::Key_Insert);
    QCOMPARE(table()->rowCount(), 3);
    QCOMPARE(table()->currentRow(), 1);
    QCOMPARE(table()->state(), State::Insert);
    type(QStringLiteral("丙"));
    key(Qt::Key_Up);
    QCOMPARE(readContactBook(m_path).last()[0].toString(), QStringLiteral("丙"));
    QCOMPARE(table()->currentRow(), 0);

    m_dialogs.queueAnswers({false});
    key(Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(m_dialogs.shown().last().kind, RecordingDialogs::Shown::Question);
    QCOMPARE(m_dialogs.shown().last().text, QStringLiteral("Delete record?"));
    QCOMPARE(readContactBook(m_path).size(), 3);
    key(Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(readContactBook(m_path),
             (QList<ContactRow>{row("乙", "2", "2"), ContactRow{QStringLiteral("丙"), {}, {}}}));
    QCOMPARE(table()->fieldValue(0).toString(), QStringLiteral("丙"));
}

void TestContactPage::tabMovesBetweenCells()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    grid()->setCurrentIndex(grid()->model()->index(0, 0));
    key(Qt::Key_Tab);
    QCOMPARE(grid()->currentIndex().column(), 1);
    key(Qt::Key_Tab);
    QCOMPARE(grid()->currentIndex().column(), 2);
    key(Qt::Key_Tab);
    QCOMPARE(grid()->currentIndex(), grid()->model()->index(1, 0));
    QCOMPARE(table()->state(), State::Insert);
    key(Qt::Key_Backtab);
    QCOMPARE(grid()->currentIndex(), grid()->model()->index(0, 2));
    QCOMPARE(table()->rowCount(), 1);
}

void TestContactPage::birthdayEditor()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    grid()->setCurrentIndex(grid()->model()->index(0, 1));
    key(Qt::Key_F2);
    key(Qt::Key_Backspace);
    QLineEdit* editor = grid()->cellEditor();
    QVERIFY(editor);
    QCOMPARE(editor->displayText().size(), 6);
    type(QStringLiteral("9a9"));
    QCOMPARE(editor->text(), QStringLiteral("99"));
    QVERIFY(editor->displayText().endsWith(QStringLiteral("____")));

    key(Qt::Key_Down);
    QCOMPARE(
        firstLines(m_dialogs.errors()),
        QStringList{QStringLiteral("Invalid input value.  Use escape key to abandon changes")});
    QCOMPARE(grid()->cellEditor(), editor);
    QCOMPARE(table()->currentRow(), 0);
    QTRY_VERIFY(editor->hasFocus());

    type(QStringLiteral("0304"));
    key(Qt::Key_Return);
    QCOMPARE(table()->fieldValue(1).toString(), QStringLiteral("990304"));

    // Opening and leaving a longer birthday does not cut it.
    cleanup();
    init();
    start({row("甲", "19800101", "0911")});
    showContactPage();
    grid()->setCurrentIndex(grid()->model()->index(0, 1));
    key(Qt::Key_F2);
    QVERIFY(grid()->cellEditor());
    key(Qt::Key_Down);
    key(Qt::Key_Up);
    QCOMPARE(readContactBook(m_path)[0][1].toString(), QStringLiteral("19800101"));
    QVERIFY(m_dialogs.errors().isEmpty());
}

void TestContactPage::typedValuesChecked_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");  // typed into the emptied cell
    QTest::addColumn<QString>("pasted"); // then pasted, if not empty
    QTest::addColumn<QString>("stored"); // the field once Enter is pressed
    QTest::addColumn<bool>("refused");   // a message or error was shown

    QTest::newRow("29 February") << 1 << "000229" << QString() << "000229" << false;
    QTest::newRow("month 13") << 1 << "801301" << QString() << "800101" << true;
    QTest::newRow("31 April") << 1 << "800431" << QString() << "800101" << true;
    QTest::newRow("mobile keeps phone characters")
        << 2 << "+886 (9)1-2a" << QString() << "+886 (9)1-2" << false;
    QTest::newRow("pasted name too long") << 0 << "" << QString(21, QChar(0x540D)) << "甲" << true;
    QTest::newRow("pasted name fits")
        << 0 << "" << QString(20, QChar(0x540D)) << QString(20, QChar(0x540D)) << false;
    QTest::newRow("pasted mobile with letters") << 2 << ""
                                                << "0911abc"
                                                << "0911" << true;
    QTest::newRow("pasted birthday not a day") << 1 << ""
                                               << "800230"
                                               << "800101" << true;
}

// Typed and pasted values must fit their field; a refused one leaves the
// stored value as it was.
void TestContactPage::typedValuesChecked()
{
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(QString, stored);
    QFETCH(bool, refused);

    start({row("甲", "800101", "0911")});
    showContactPage();
    grid()->setCurrentIndex(grid()->model()->index(0, column));
    key(Qt::Key_F2);
    QVERIFY(grid()->cellEditor());
    if (!typed.isEmpty()) {
        grid()->cellEditor()->selectAll();
        key(Qt::Key_Delete);
        type(typed);
    }
    if (!pasted.isEmpty()) {
        QGuiApplication::clipboard()->setText(pasted);
        grid()->cellEditor()->selectAll();
        key(Qt::Key_V, Qt::ControlModifier);
    }
    key(Qt::Key_Return);
    if (refused)
        key(Qt::Key_Escape);
    QCOMPARE(m_dialogs.shown().size(), refused ? 1 : 0);
    QCOMPARE(table()->fieldValue(column).toString(), stored);
}

void TestContactPage::losingFocusDropsAnUntouchedRow()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    key(Qt::Key_Down);
    QCOMPARE(table()->rowCount(), 2);
    m_form->PageControl1->setFocus();
    QTRY_COMPARE(table()->rowCount(), 1);

    // A row with input stays pending, its typed cell written.
    giveFocus(grid());
    key(Qt::Key_Down);
    type(QStringLiteral("乙"));
    m_form->PageControl1->setFocus();
    QTRY_VERIFY(!grid()->cellEditor());
    QCOMPARE(table()->rowCount(), 2);
    QCOMPARE(table()->fieldValue(0).toString(), QStringLiteral("乙"));
    QCOMPARE(table()->state(), State::Insert);

    // 新增 then 儲存 without typing: the new row stays.
    press(m_form->Button1);
    QCOMPARE(table()->rowCount(), 3);
    QVERIFY(grid()->hasFocus());
    QTest::mouseClick(m_form->Button3, Qt::LeftButton);
    QVERIFY(m_form->Button3->hasFocus() || !m_form->Button3->isEnabled());
    QCOMPARE(table()->rowCount(), 3);
    QCOMPARE(table()->state(), State::Insert);
}

void TestContactPage::largeContactBookStaysLazy()
{
    QList<ContactRow> rows;
    for (int i = 0; i < 100000; ++i)
        rows << ContactRow{QStringLiteral("名%1").arg(i), QStringLiteral("800101"),
                           QString::number(i)};
    start(rows);
    // The scan left the grid on the last row, and only pages around what is
    // shown were read.
    QCOMPARE(grid()->currentIndex().row(), 99999);
    showContactPage();
    QVERIFY(table()->loadedRowCount() <= 1024);
    key(Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(grid()->currentIndex().row(), 0);
    key(Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(grid()->currentIndex().row(), 99999);
    QCOMPARE(grid()->model()->index(99999, 0).data().toString(), QStringLiteral("名99999"));
    QVERIFY(table()->loadedRowCount() <= 1024);
}

// The grid's context menu imports and exports, and a file dropped on the grid
// is imported; the row being typed is saved first, as leaving it would.
void TestContactPage::importAndExportThroughTheMenuAndByDrop()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    QCOMPARE(grid()->actions(), (QList<QAction*>{grid()->importAction(), grid()->exportAction()}));
    QCOMPARE(grid()->importAction()->text(), QStringLiteral("匯入聯絡人…"));
    QCOMPARE(grid()->exportAction()->text(), QStringLiteral("匯出聯絡人…"));
    key(Qt::Key_Down);
    type(QStringLiteral("乙"));

    const QString csv = m_dir->filePath(QStringLiteral("friends.csv"));
    writeBytes(csv, "姓名,生日,手機號碼\n丙,1982-03-05,0933\n甲,800101,0911\n");
    m_dialogs.clear();
    m_dialogs.queueFiles({csv});
    grid()->importAction()->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.messages(),
                              QStringList({"匯入 1 筆，略過 1 筆：重複 1（CSV，UTF-8，逗號分隔）\n"
                                           "第 3 行 略過：重複 (甲, 800101, 0911)"}),
                              10000);
    QCOMPARE(readContactBook(m_path), (QList<ContactRow>{row("甲", "800101", "0911"),
                                                         {QStringLiteral("乙"), {}, {}},
                                                         row("丙", "820305", "0933")}));
    QCOMPARE(table()->rowCount(), 3);
    QCOMPARE(table()->currentRow(), 2);

    const QString vcf = m_dir->filePath(QStringLiteral("phone.vcf"));
    writeBytes(vcf, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:丁\r\nTEL;TYPE=CELL:0944\r\nEND:VCARD\r\n");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(vcf)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid()->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid()->viewport(), &drop);
    QVERIFY(drop.isAccepted());
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.messages().last(),
                              QStringLiteral("匯入 1 筆，略過 0 筆（vCard，UTF-8）"), 10000);
    QCOMPARE(table()->rowCount(), 4);
    QCOMPARE(grid()->model()->index(3, 0).data().toString(), QStringLiteral("丁"));

    const QString out = m_dir->filePath(QStringLiteral("out.csv"));
    m_dialogs.queueFiles({out});
    grid()->exportAction()->trigger();
    QCOMPARE(m_dialogs.messages().last(), QStringLiteral("匯出 4 筆"));
    QCOMPARE(readBytes(out),
             QByteArray("\xEF\xBB\xBF姓名,生日,手機號碼\r\n甲,800101,0911\r\n乙,,\r\n"
                        "丙,820305,0933\r\n丁,,0944\r\n"));

    // An existing file is replaced only after asking; a contact book never.
    writeBytes(out, "mine");
    const QString copy = m_dir->filePath(QStringLiteral("book.csv"));
    QVERIFY(QFile::copy(m_path, copy));
    m_dialogs.queueFiles({out, copy});
    m_dialogs.queueAnswers({false});
    grid()->exportAction()->trigger();
    QCOMPARE(m_dialogs.questions().last(), QStringLiteral("「%1」已經存在，要取代它嗎？").arg(out));
    QCOMPARE(readBytes(out), QByteArray("mine"));
    grid()->exportAction()->trigger();
    QVERIFY2(m_dialogs.errors().last().contains(QStringLiteral("是資料庫檔")),
             qPrintable(m_dialogs.errors().last()));
    QCOMPARE(readContactBook(copy).size(), 4);
}
// A file whose bytes read as Big5 and as Windows-1252 alike: the box shows
// the first names both ways, and the import uses the one the user chose.
void TestContactPage::importAsksForAnEncodingItCannotTell()
{
    start({});
    showContactPage();
    m_dialogs.clear();
    m_dialogs.queueAnswers({false, true});
    m_dialogs.queueFiles({QStringLiteral(SELVANTO_TEST_DATA "/contacts/excel-cp1252.csv")});
    grid()->importAction()->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.messages().size(), 1, 10000);
    const QStringList questions = m_dialogs.questions();
    QCOMPARE(questions.size(), 3); // the file dialog, then Big5, then Windows-1252
    QVERIFY2(questions[1].contains(QStringLiteral("用 Big5 讀取，前幾位的姓名是：Fran蔞is Dupont")),
             qPrintable(questions[1]));
    QVERIFY(questions[1].contains(
        QStringLiteral("用 Windows-1252 讀取，前幾位的姓名是：François Dupont、Jürgen Müller")));
    QVERIFY(questions[1].endsWith(QStringLiteral("要用 Big5 匯入嗎？")));
    QVERIFY(questions[2].endsWith(QStringLiteral("要用 Windows-1252 匯入嗎？")));
    QCOMPARE(m_dialogs.messages().first(),
             QStringLiteral("匯入 2 筆，略過 0 筆（CSV，Windows-1252，逗號分隔）"));
    QCOMPARE(readContactBook(m_path).value(0), row("François Dupont", "850305", "0612345678"));
}

// A large import shows its progress; 取消 rolls all of it back.
void TestContactPage::cancelledImportChangesNothing()
{
    start({row("甲", "800101", "0911")});
    showContactPage();
    const QByteArray before = readBytes(m_path);
    QByteArray csv = "姓名,生日,手機號碼\n";
    for (int k = 0; k < 200000; ++k)
        csv += "聯絡人" + QByteArray::number(k) + ",850305,09" + QByteArray::number(k) + '\n';
    const QString file = m_dir->filePath(QStringLiteral("many.csv"));
    writeBytes(file, csv);
    m_dialogs.clear();
    m_dialogs.queueFiles({file});
    grid()->importAction()->trigger();
    auto* progress = m_form->findChild<QProgressDialog*>(QStringLiteral("importProgress"));
    QVERIFY(progress);
    QVERIFY(progress->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(progress->value() > 0, 10000);
    auto* cancel = progress->findChild<QPushButton*>(QStringLiteral("importCancel"));
    QCOMPARE(cancel->text(), QStringLiteral("取消"));
    QTest::mouseClick(cancel, Qt::LeftButton);
    QCOMPARE(m_dialogs.messages(), QStringList{QStringLiteral("已取消匯入，通訊錄沒有改變。")});
    QVERIFY(!progress->isVisible());
    QCOMPARE(readBytes(m_path), before);
    QCOMPARE(table()->rowCount(), 1);
}

QTEST_MAIN(TestContactPage)
#include "test_contactpage.moc"
