#include "DatePicker.h"
#include "Fonts.h"
#include "Memo.h"
#include "ScriptedWindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

class TestMainWindow : public QObject, private ScriptedWindow
{
    Q_OBJECT

private Q_SLOTS:
    // An empty folder: showing the window runs the start-up, which finds no files.
    void init()
    {
        registerFontSubstitutions();
        newWindow();
    }
    void cleanup() { closeWindow(); }

    void windowCaptionAndPages();
    void controls_data();
    void controls();
    void initialStates();
    void fontsAndColours();
    void keyboardOrder_data();
    void keyboardOrder();
    void recipientBoxesByListAndName();
    void sizingRules();
    void memoLineBreakContract_data();
    void memoLineBreakContract();
    void memoKeepsCaretWhenNothingChanges();
    void memoKeysEnterAndTab();
    void datePickerTabLeaves();
};

void TestMainWindow::windowCaptionAndPages()
{
    QCOMPARE(m_form->objectName(), QStringLiteral("Form1"));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Selvanto"));
    // Its position depends on the screen: test_desktopconventions.
    QCOMPARE(m_form->size(), QSize(680, 539));
    QCOMPARE(m_form->PageControl1->count(), 5);
    QCOMPARE(m_form->PageControl1->widget(0), m_form->TabSheet1);
    QCOMPARE(m_form->PageControl1->widget(1), m_form->TabSheet2);
    QCOMPARE(m_form->PageControl1->tabText(0), QStringLiteral("通訊錄"));
    QCOMPARE(m_form->PageControl1->tabText(1), QStringLiteral("簡訊發送"));
    QCOMPARE(m_form->PageControl1->tabText(2), QStringLiteral("發送紀錄"));
    QCOMPARE(m_form->PageControl1->widget(3), m_form->TabSheet4);
    QCOMPARE(m_form->PageControl1->tabText(3), QStringLiteral("設定"));
    QCOMPARE(m_form->PageControl1->widget(4), m_form->TabSheet5);
    QCOMPARE(m_form->PageControl1->tabText(4), QStringLiteral("近期生日"));
    QCOMPARE(m_form->PageControl1->currentIndex(), 1);
    QVERIFY(m_form->ChainStep.isEmpty());
}

void TestMainWindow::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");

    auto row = [](const char* name, const char* kind, const char* parent, const char* caption,
                  QRect geometry) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind)
                            << QString::fromLatin1(parent) << QString::fromUtf8(caption)
                            << geometry;
    };
    // Labels size themselves: only their position is fixed (width/height 0).
    row("Button1", "QPushButton", "Panel2", "新增", {172, 2, 57, 25});
    row("Button5", "QPushButton", "Panel2", "修改", {237, 2, 57, 25});
    row("Button2", "QPushButton", "Panel2", "刪除", {302, 2, 57, 25});
    row("Button4", "QPushButton", "Panel2", "取消", {368, 2, 57, 25});
    row("Button3", "QPushButton", "Panel2", "儲存", {432, 2, 57, 25});
    row("DBGrid1", "QTableView", "Panel2", "", {128, 32, 401, 465});
    row("Label1", "QLabel", "Panel1", "帳號", {9, 7, 0, 0});
    row("Edit1", "QLineEdit", "Panel1", "", {41, 3, 203, 21});
    row("Label2", "QLabel", "Panel1", "密碼", {255, 7, 0, 0});
    row("Edit2", "QLineEdit", "Panel1", "", {288, 3, 82, 21});
    row("Label7", "QLabel", "Panel1", "認證碼", {383, 7, 0, 0});
    row("Edit5", "QLineEdit", "Panel1", "", {431, 3, 93, 21});
    row("CheckBox1", "QCheckBox", "Panel1", "儲存帳號密碼", {536, 5, 104, 17});
    row("Label3", "QLabel", "Panel1", "接收者門號", {8, 31, 70, 0});
    row("Edit11", "QLineEdit", "Panel1", "", {79, 27, 103, 21});
    row("Edit12", "QLineEdit", "Panel1", "", {193, 27, 103, 21});
    row("Edit13", "QLineEdit", "Panel1", "", {307, 27, 103, 21});
    row("Edit14", "QLineEdit", "Panel1", "", {421, 27, 103, 21});
    row("Edit15", "QLineEdit", "Panel1", "", {535, 27, 103, 21});
    row("Label4", "QLabel", "Panel1", "發送訊息", {9, 59, 0, 0});
    row("Memo1", "Memo", "Panel1", "", {66, 58, 331, 79});
    row("Label5", "QLabel", "Panel1", "剩餘字數", {401, 61, 0, 0});
    row("Edit4", "QLineEdit", "Panel1", "", {460, 57, 40, 21});
    row("BitBtn2", "QPushButton", "Panel1", "儲存簡訊內容", {402, 113, 87, 25});
    row("RadioButton1", "QRadioButton", "Panel1", "立即發送", {16, 145, 82, 17});
    row("RadioButton2", "QRadioButton", "Panel1", "預約發送", {118, 145, 82, 17});
    row("Label6", "QLabel", "Panel1", "預約時間", {12, 172, 0, 0});
    row("DateTimePicker1", "DatePicker", "Panel1", "", {72, 168, 137, 21});
    row("ComboBox1", "QComboBox", "Panel1", "", {224, 167, 41, 23});
    row("Label8", "QLabel", "Panel1", "時", {268, 172, 0, 0});
    row("ComboBox2", "QComboBox", "Panel1", "", {288, 167, 41, 23});
    row("Label9", "QLabel", "Panel1", "分", {334, 171, 0, 0});
    row("BitBtn5", "QPushButton", "Panel1", "登入", {10, 195, 75, 25});
    row("BitBtn4", "QPushButton", "Panel1", "發送簡訊", {102, 195, 75, 25});
    row("BitBtn6", "QPushButton", "Panel1", "認證", {194, 195, 75, 25});
    row("BitBtn7", "QPushButton", "Panel1", "一次完成", {286, 195, 75, 25});
    row("BitBtn1", "QPushButton", "Panel1", "登出", {378, 195, 75, 25});
    row("ValueListEditor2", "QTableWidget", "Panel1", "", {496, 187, 177, 33});
}

void TestMainWindow::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);

    QWidget* widget = m_form->findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QVERIFY2(widget->inherits(kind.toLatin1()), widget->metaObject()->className());
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(widget->pos(), geometry.topLeft());
    if (geometry.width() > 0)
        QCOMPARE(widget->width(), geometry.width());
    if (geometry.height() > 0)
        QCOMPARE(widget->height(), geometry.height());

    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QCOMPARE(button->text(), caption);
        // Screen readers announce buttons by their caption.
        QVERIFY(button->accessibleName().isEmpty() || button->accessibleName() == caption);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        QCOMPARE(label->text(), caption);
    } else if (qobject_cast<QLineEdit*>(widget) || qobject_cast<Memo*>(widget)) {
        QVERIFY2(!widget->accessibleName().isEmpty(), "edit boxes carry their label's name");
    }
}

void TestMainWindow::initialStates()
{
    TForm1& form = *m_form;
    for (QPushButton* button : form.findChildren<QPushButton*>()) {
        const bool startsDisabled = button == form.Button3 || button == form.Button4;
        QCOMPARE(button->isEnabled(), !startsDisabled);
    }
    QVERIFY(form.Edit4->isReadOnly());
    QVERIFY(form.Edit4->text().isEmpty());
    QCOMPARE(form.Edit2->echoMode(), QLineEdit::Password);
    QCOMPARE(form.Edit5->echoMode(), QLineEdit::Password);
    for (QLineEdit* masked : {form.Edit2, form.Edit5}) {
        masked->setText(QStringLiteral("密a1"));
        QCOMPARE(masked->displayText(), QStringLiteral("***"));
        masked->clear();
    }
    QCOMPARE(form.Edit1->echoMode(), QLineEdit::Normal);
    QVERIFY(!form.CheckBox1->isChecked());
    QVERIFY(form.RadioButton1->isChecked());
    QVERIFY(!form.RadioButton2->isChecked());
    QVERIFY(form.ValueListEditor2->isHidden());
    QCOMPARE(form.ValueListEditor2->columnCount(), 2);
    QCOMPARE(form.ValueListEditor2->horizontalHeaderItem(0)->text(), QStringLiteral("帳號"));
    QCOMPARE(form.ValueListEditor2->horizontalHeaderItem(1)->text(), QStringLiteral("密碼"));
    QCOMPARE(form.ValueListEditor2->columnWidth(0), 84);
    QCOMPARE(form.ValueListEditor2->columnWidth(1), 87);
    QCOMPARE(form.ComboBox1->count(), 24);
    QCOMPARE(form.ComboBox1->itemText(0), QStringLiteral("01"));
    QCOMPARE(form.ComboBox1->itemText(23), QStringLiteral("24"));
    QCOMPARE(form.ComboBox2->count(), 4);
    QCOMPARE(form.ComboBox2->itemText(3), QStringLiteral("45"));
    QVERIFY(form.ComboBox1->isEditable() && form.ComboBox2->isEditable());
    QVERIFY(form.Memo1->text().isEmpty());
    QCOMPARE(form.Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(form.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(form.Memo1->maximumBlockCount(), 0);
    QVERIFY(form.Memo1->tabChangesFocus());

    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QVERIFY(form.ValueListEditor2->isHidden());
    QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet2);
}

void TestMainWindow::fontsAndColours()
{
    TForm1& form = *m_form;
    QCOMPARE(form.font().family(), QStringLiteral("細明體"));
    QCOMPARE(form.font().pixelSize(), 15);
    QCOMPARE(form.Button1->font().pixelSize(), 15);
    QCOMPARE(form.ComboBox1->font().pixelSize(), 15);
    for (QWidget* small : std::initializer_list<QWidget*>{form.Label1, form.RadioButton1,
                                                          form.CheckBox1, form.Edit11, form.BitBtn7,
                                                          form.Memo1, form.DateTimePicker1}) {
        QCOMPARE(small->font().pixelSize(), 13);
        QCOMPARE(small->font().family(), QStringLiteral("細明體"));
    }
    QCOMPARE(form.Label1->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(form.CheckBox1->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(form.Memo1->palette().color(QPalette::Text), QColor(0, 0, 128));
    QCOMPARE(form.Panel1->palette().color(QPalette::Window), QColor(221, 255, 255));
    QCOMPARE(form.Panel2->palette().color(QPalette::Window), QColor(221, 255, 255));
    QVERIFY(form.Panel1->autoFillBackground() && form.Panel2->autoFillBackground());
    // The substitute face really has Chinese glyphs.
    QVERIFY(QFontMetrics(form.font()).inFont(QChar(0x901A)));
}

void TestMainWindow::keyboardOrder_data()
{
    QTest::addColumn<QStringList>("order");
    QTest::newRow("contact page") << QStringList{"Button1", "Button2", "DBGrid1",
                                                 "Button3", "Button4", "Button5"};
    QTest::newRow("sending page") << QStringList{
        "Edit1",           "Edit2",   "Edit5",     "CheckBox1", "Edit11",       "Edit12",
        "Edit13",          "Edit14",  "Edit15",    "Memo1",     "RadioButton1", "RadioButton2",
        "DateTimePicker1", "Edit4",   "BitBtn4",   "BitBtn5",   "BitBtn6",      "BitBtn7",
        "BitBtn1",         "BitBtn2", "ComboBox1", "ComboBox2"};
}

void TestMainWindow::keyboardOrder()
{
    QFETCH(QStringList, order);
    for (qsizetype i = 1; i < order.size(); ++i) {
        QWidget* from = m_form->findChild<QWidget*>(order[i - 1]);
        QWidget* to = m_form->findChild<QWidget*>(order[i]);
        QVERIFY(from && to);
        // Skip the hidden list, labels and the inner parts of composite controls.
        QWidget* next = from->nextInFocusChain();
        while (next != from && next != to &&
               (next->isHidden() || next->focusPolicy() == Qt::NoFocus ||
                next->objectName().isEmpty() ||
                next->objectName().startsWith(QLatin1String("qt_"))))
            next = next->nextInFocusChain();
        QVERIFY2(next == to, qPrintable(order[i - 1] + QStringLiteral(" -> ") + next->objectName() +
                                        QStringLiteral(", expected ") + order[i]));
    }
}

void TestMainWindow::recipientBoxesByListAndName()
{
    const QList<QLineEdit*> boxes = m_form->recipientBoxes();
    QCOMPARE(boxes.size(), 5);
    for (int k = 1; k <= 5; ++k) {
        QCOMPARE(m_form->recipientBox(k), boxes[k - 1]);
        QCOMPARE(boxes[k - 1]->objectName(), QStringLiteral("Edit1%1").arg(k));
        QCOMPARE(boxes[k - 1]->accessibleName(), QStringLiteral("接收者門號 %1").arg(k));
    }
    QCOMPARE(m_form->recipientBox(6), nullptr);
}

void TestMainWindow::sizingRules()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    const QRect buttonBefore = m_form->BitBtn7->geometry();
    const QRect gridBefore = m_form->DBGrid1->geometry();
    const int browserWidthBefore = m_form->ScrollBox1->width();
    m_form->resize(m_form->width() + 200, m_form->height() + 100);
    QTest::qWait(0);
    QTRY_COMPARE(m_form->ScrollBox1->width(), browserWidthBefore + 200);
    QCOMPARE(m_form->ScrollBox1->height(), 273);
    QCOMPARE(m_form->PageControl1->width(), m_form->width());
    QCOMPARE(m_form->BitBtn7->geometry(), buttonBefore);
    QCOMPARE(m_form->DBGrid1->geometry(), gridBefore);
    QCOMPARE(m_form->ScrollBox1->widget(), m_form->WebBrowser1);
    QVERIFY(m_form->Panel1->height() > 0);
}

void TestMainWindow::memoLineBreakContract_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("read");
    QTest::newRow("lf") << QStringLiteral("一\n二") << QStringLiteral("一\r\n二");
    QTest::newRow("lone cr") << QStringLiteral("a\rb") << QStringLiteral("a\r\nb");
    QTest::newRow("lf cr") << QStringLiteral("a\n\rb") << QStringLiteral("a\r\n\r\nb");
    QTest::newRow("trailing break kept") << QStringLiteral("a\r\n") << QStringLiteral("a\r\n");
    QTest::newRow("empty lines") << QStringLiteral("\r\n\r\n") << QStringLiteral("\r\n\r\n");
}

void TestMainWindow::memoLineBreakContract()
{
    QFETCH(QString, given);
    QFETCH(QString, read);
    Memo* memo = m_form->Memo1;
    memo->setPlainText(QStringLiteral("x"));
    memo->moveCursor(QTextCursor::End);
    memo->setText(given);
    QCOMPARE(memo->text(), read);
    QCOMPARE(memo->textCursor().position(), 0);
}

void TestMainWindow::memoKeepsCaretWhenNothingChanges()
{
    Memo* memo = m_form->Memo1;
    memo->setText(QStringLiteral("ab\r\ncd"));
    memo->moveCursor(QTextCursor::End);
    const int end = memo->textCursor().position();
    int changes = 0;
    connect(memo, &QPlainTextEdit::textChanged, this, [&] { ++changes; });
    memo->setText(QStringLiteral("ab\ncd"));
    QCOMPARE(changes, 0);
    QCOMPARE(memo->textCursor().position(), end);
}

void TestMainWindow::memoKeysEnterAndTab()
{
    activateForm();
    Memo* memo = m_form->Memo1;
    giveFocus(memo);
    int releases = 0;
    connect(memo, &Memo::keyReleased, this, [&] { ++releases; });
    QTest::keyClicks(memo, QStringLiteral("ab"));
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, QStringLiteral("cd"));
    QCOMPARE(memo->text(), QStringLiteral("ab\r\ncd"));
    QCOMPARE(releases, 5);
    QTest::keyClick(memo, Qt::Key_Tab);
    QCOMPARE(memo->text(), QStringLiteral("ab\r\ncd"));
    QTRY_VERIFY(m_form->RadioButton1->hasFocus());
}

void TestMainWindow::datePickerTabLeaves()
{
    activateForm();
    DatePicker* picker = m_form->DateTimePicker1;
    giveFocus(picker);
    QTest::keyClick(picker, Qt::Key_Tab);
    QTRY_VERIFY(m_form->Edit4->hasFocus());
    giveFocus(picker);
    QTest::keyClick(picker, Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_VERIFY(m_form->RadioButton2->hasFocus() || m_form->RadioButton1->hasFocus());
    QVERIFY(picker->calendarPopup());
    QVERIFY(picker->displayFormat().contains(QStringLiteral("yyyy")));
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
