#include "AccountFile.h"
#include "AnsiText.h"
#include "FileSizeLimit.h"
#include "Memo.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <memory>

namespace {

QByteArray big5(const QString& text)
{
    return ansi::encode(text);
}

// What accessibility tools were told in the events the program sent them,
// with the object each came from.
using Heard = QList<std::pair<const QObject*, QString>>;
Heard* heardTexts = nullptr;

void listenToAccessibility(QAccessibleEvent* event)
{
    if (!heardTexts)
        return;
    const QObject* from = event->object();
    switch (event->type()) {
    case QAccessible::TextInserted:
        heardTexts->append({from, static_cast<QAccessibleTextInsertEvent*>(event)->textInserted()});
        break;
    case QAccessible::TextRemoved:
        heardTexts->append({from, static_cast<QAccessibleTextRemoveEvent*>(event)->textRemoved()});
        break;
    case QAccessible::TextUpdated:
        heardTexts->append({from, static_cast<QAccessibleTextUpdateEvent*>(event)->textRemoved()});
        heardTexts->append({from, static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted()});
        break;
    case QAccessible::ValueChanged:
        heardTexts->append(
            {from, static_cast<QAccessibleValueChangeEvent*>(event)->value().toString()});
        break;
    default:
        break;
    }
}

QString letters(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QChar(u'a' + i % 26);
    return text;
}

} // namespace

// The message counter, the account check box, the save button and the
// start-up's two load steps, driven through the window's controls.
class TestSendingPageFiles : public QObject, private ScriptedWindow
{
    Q_OBJECT

private Q_SLOTS:
    // Listens as a screen reader would, from before the first window.
    void initTestCase() { QAccessible::installUpdateHandler(&listenToAccessibility); }
    void init()
    {
        newWindow();
        earlierRun();
    }
    void cleanup() { closeWindow(); }

    void counterEmptyUntilFirstKeyRelease();
    void memoTextAsTyped();
    void counterOnKeyRelease_data();
    void counterOnKeyRelease();
    void counterLeavesAnUncutMemoAlone();
    void counterKeepsTheCaret();

    void checkWritesTrimmedValues();
    void uncheckDeletesTheFile();
    void checkAgainAfterChangingTheName();
    void checkWithANameTheFileCannotHold();
    void checkRefusedBySystem();

    void loadWritesBack_data();
    void loadWritesBack();
    void loadWithoutFile();
    void refusedWriteBackGoesOn();
    void savedSecretsNotAnnounced();
    void secretsNotInAccessibilityEvents();

    void loadMessage();
    void saveMessage();
    void saveMessageWithUnencodableCharacter();
    void saveMessageCannotCreate();

private:
    void typeInMemo(const QString& text);
};

void TestSendingPageFiles::typeInMemo(const QString& text)
{
    m_form->Memo1->moveCursor(QTextCursor::End);
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            QTest::keyClick(m_form->Memo1, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, m_form->Memo1, Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
    }
}

void TestSendingPageFiles::counterEmptyUntilFirstKeyRelease()
{
    QCOMPARE(m_form->Edit4->text(), QString());
    m_form->Memo1->setText(letters(200)); // a paste or the file load
    QCOMPARE(m_form->Edit4->text(), QString());
    QCOMPARE(m_form->Memo1->text(), letters(200));
    QTest::keyClick(m_form->Memo1, Qt::Key_Shift);
    QCOMPARE(m_form->Memo1->text(), letters(140));
    QCOMPARE(m_form->Edit4->text(), QStringLiteral("0"));
}

// A no-break space and a line separator reach the file and the gateway as
// they are; Shift+Enter breaks the line as Enter does.
void TestSendingPageFiles::memoTextAsTyped()
{
    const QString text = QStringLiteral("a\u00A0b\u2028c\r\nd");
    m_form->Memo1->setText(text);
    QCOMPARE(m_form->Memo1->text(), text);
    m_form->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(m_form->Memo1, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(m_form->Memo1, QStringLiteral("\u00A0e"));
    QCOMPARE(m_form->Memo1->text(), text + QStringLiteral("\r\n\u00A0e"));
}

void TestSendingPageFiles::counterOnKeyRelease_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("shown");

    QTest::newRow("empty memo") << QString() << "a"
                                << "a"
                                << "139";
    QTest::newRow("the 141st letter") << letters(140) << "x" << letters(140) << "0";
    // What does not fit is dropped where it was typed; the rest stays.
    QTest::newRow("Chinese into 100 letters")
        << letters(100) << QStringLiteral("中") << letters(100) << "40";
    QTest::newRow("139 letters and Enter") << letters(139) << "\n" << letters(139) << "1";
    QTest::newRow("Enter counts two") << "ab"
                                      << "\nc"
                                      << "ab\r\nc"
                                      << "135";
    QTest::newRow("character outside Big5 kept")
        << letters(10) << QStringLiteral("é") << letters(10) + QStringLiteral("é") << "59";
}

void TestSendingPageFiles::counterOnKeyRelease()
{
    QFETCH(QString, before);
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QFETCH(QString, shown);

    m_form->Memo1->setText(before);
    typeInMemo(typed);
    QCOMPARE(m_form->Memo1->text(), after);
    QCOMPARE(m_form->Edit4->text(), shown);
    // Nothing changes at the next key release: the count is right at once.
    QTest::keyClick(m_form->Memo1, Qt::Key_Shift);
    QCOMPARE(m_form->Memo1->text(), after);
    QCOMPARE(m_form->Edit4->text(), shown);
}

void TestSendingPageFiles::counterLeavesAnUncutMemoAlone()
{
    m_form->Memo1->setText(QStringLiteral("hello"));
    m_form->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(m_form->Memo1, Qt::Key_Left);
    QCOMPARE(m_form->Memo1->textCursor().position(), 4);
    QCOMPARE(m_form->Edit4->text(), QStringLiteral("135"));

    m_form->Memo1->setText(letters(150));
    m_form->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(m_form->Memo1, Qt::Key_Shift);
    QCOMPARE(m_form->Memo1->text(), letters(140));
    QCOMPARE(m_form->Memo1->textCursor().position(), 140);
}

// A full message: a letter typed in the middle, or committed by an input
// method, is dropped at the caret; the caret stays and the end is kept.
void TestSendingPageFiles::counterKeepsTheCaret()
{
    const QString full = letters(60) + QStringLiteral("end");
    m_form->Memo1->setText(QStringLiteral("中") + full + QString(6, QLatin1Char('x')));
    QTest::keyClick(m_form->Memo1, Qt::Key_Shift);
    const QString kept = m_form->Memo1->text();
    QCOMPARE(m_form->Edit4->text(), QStringLiteral("0"));

    QTextCursor cursor = m_form->Memo1->textCursor();
    cursor.setPosition(10);
    m_form->Memo1->setTextCursor(cursor);
    QTest::sendKeyEvent(QTest::Click, m_form->Memo1, Qt::Key_unknown, QStringLiteral("Q"),
                        Qt::NoModifier);
    QCOMPARE(m_form->Memo1->text(), kept);
    QCOMPARE(m_form->Memo1->textCursor().position(), 10);

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("生日"));
    QCoreApplication::sendEvent(m_form->Memo1, &commit);
    QCOMPARE(m_form->Memo1->text(), kept);
    QCOMPARE(m_form->Memo1->textCursor().position(), 10);
    QCOMPARE(m_form->Edit4->text(), QStringLiteral("0"));

    // With room left, the commit counts at once, without a key release.
    m_form->Memo1->setText(QStringLiteral("ab"));
    m_form->Memo1->moveCursor(QTextCursor::End);
    QCoreApplication::sendEvent(m_form->Memo1, &commit);
    QCOMPARE(m_form->Memo1->text(), QStringLiteral("ab生日"));
    QCOMPARE(m_form->Edit4->text(), QStringLiteral("66"));
}

void TestSendingPageFiles::checkWritesTrimmedValues()
{
    m_form->Edit1->setText(QStringLiteral("  王小明 \t"));
    m_form->Edit2->setText(QStringLiteral(" pw "));
    m_form->Edit5->setText(QStringLiteral("　123"));
    m_form->CheckBox1->click();
    QVERIFY(m_form->CheckBox1->isChecked());
    QCOMPARE(readBytes(accountPath()),
             big5(QStringLiteral("[account]\r\n王小明=pw\r\n認證碼=　123\r\n")));
    QCOMPARE(m_dialogs.shown().size(), 0);
}

void TestSendingPageFiles::uncheckDeletesTheFile()
{
    m_form->Edit1->setText(QStringLiteral("user"));
    m_form->CheckBox1->click();
    QVERIFY(QFile::exists(accountPath()));
    m_form->CheckBox1->click();
    QVERIFY(!m_form->CheckBox1->isChecked());
    QVERIFY(!QFile::exists(accountPath()));
    QCOMPARE(m_form->Edit1->text(), QStringLiteral("user"));
    QCOMPARE(m_dialogs.shown().size(), 0);
}

void TestSendingPageFiles::checkAgainAfterChangingTheName()
{
    m_form->Edit1->setText(QStringLiteral("old"));
    m_form->Edit2->setText(QStringLiteral("1"));
    m_form->CheckBox1->click();
    m_form->Edit1->setText(QStringLiteral("new"));
    m_form->CheckBox1->click();
    m_form->CheckBox1->click();
    QCOMPARE(readBytes(accountPath()), big5(QStringLiteral("[account]\r\nnew=1\r\n認證碼=\r\n")));
}

void TestSendingPageFiles::checkWithANameTheFileCannotHold()
{
    m_form->Edit1->setText(QStringLiteral("a=b"));
    m_form->CheckBox1->click();
    QVERIFY(m_form->CheckBox1->isChecked());
    QVERIFY(!QFile::exists(accountPath()));
    QCOMPARE(m_dialogs.errors().size(), 1);
    QVERIFY2(m_dialogs.errors().front().startsWith(QStringLiteral("帳號「a=b」無法儲存")),
             qPrintable(m_dialogs.errors().front()));
}

void TestSendingPageFiles::checkRefusedBySystem()
{
    const QByteArray before = "[account]\r\nuser=pw\r\n";
    writeBytes(accountPath(), before);
    m_form->Edit1->setText(QStringLiteral("someone"));
    {
        const FileSizeLimit limit(before.size());
        m_form->CheckBox1->click();
    }
    QVERIFY(m_form->CheckBox1->isChecked());
    QCOMPARE(firstLines(m_dialogs.errors()),
             QStringList{QStringLiteral("Unable to write to %1").arg(accountPath())});
    QCOMPARE(readBytes(accountPath()), before);
}

void TestSendingPageFiles::loadWritesBack_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QByteArray>("writtenBack");

    QTest::newRow("as saved") << big5(QStringLiteral("[account]\r\nuser=pw\r\n認證碼=123\r\n"))
                              << QStringList{"user", "pw", QStringLiteral("認證碼"), "123"}
                              << "user"
                              << "pw"
                              << "123"
                              << big5(QStringLiteral("[account]\r\nuser=pw\r\n認證碼=123\r\n"));
    QTest::newRow("edited by hand")
        << big5(QStringLiteral("; note\n[account]\n  user = 'pw' \n認證碼=123\n\n[other]\nx=1\n"))
        << QStringList{"user", "pw", QStringLiteral("認證碼"), "123"} << "user"
        << "pw"
        << "123"
        << big5(QStringLiteral("; note\n[account]\nuser=pw\r\n認證碼=123\r\n\n[other]\nx=1\n"));
    // Without an account name nothing is written back.
    QTest::newRow("no entries") << QByteArray("[account]\r\n") << QStringList{} << ""
                                << ""
                                << "" << QByteArray("[account]\r\n");
    QTest::newRow("empty name") << big5(QStringLiteral("[account]\r\n= pw\r\n認證碼=1\r\n"))
                                << QStringList{"", "pw", QStringLiteral("認證碼"), "1"} << ""
                                << "pw"
                                << "1" << big5(QStringLiteral("[account]\r\n= pw\r\n認證碼=1\r\n"));
    QTest::newRow("code first") << big5(QStringLiteral("[account]\r\n認證碼=123\r\n"))
                                << QStringList{QStringLiteral("認證碼"), "123"}
                                << QStringLiteral("認證碼") << "123"
                                << "123" << big5(QStringLiteral("[account]\r\n認證碼=123\r\n"));
}

// The load step ends by checking the box, which writes the trimmed values
// just loaded back into the file.
void TestSendingPageFiles::loadWritesBack()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, rows);
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, code);
    QFETCH(QByteArray, writtenBack);

    writeBytes(accountPath(), file);
    m_form->ValueListEditor2->setRowCount(5);
    startWindow();

    QStringList shownRows;
    for (int row = 0; row < m_form->ValueListEditor2->rowCount(); ++row) {
        for (int column = 0; column < 2; ++column)
            shownRows << m_form->ValueListEditor2->item(row, column)->text();
    }
    QCOMPARE(shownRows, rows);
    QCOMPARE(m_form->Edit1->text(), name);
    QCOMPARE(m_form->Edit2->text(), password);
    QCOMPARE(m_form->Edit5->text(), code);
    QVERIFY(m_form->CheckBox1->isChecked());
    QCOMPARE(readBytes(accountPath()), writtenBack);
    QCOMPARE(m_dialogs.shown().size(), 0);
}

void TestSendingPageFiles::loadWithoutFile()
{
    startWindow();
    QVERIFY(!m_form->CheckBox1->isChecked());
    QVERIFY(!QFile::exists(accountPath()));
}

// A write-back that must change the file and is refused is one error box;
// the start-up goes on and loads the message text.
void TestSendingPageFiles::refusedWriteBackGoesOn()
{
    // The write-back drops the blanks around the password.
    const QByteArray before = big5(QStringLiteral("[account]\r\nuser = pw\r\n認證碼=123\r\n"));
    writeBytes(accountPath(), before);
    writeBytes(messagePath(), "saved message");
    {
        const FileSizeLimit limit(10);
        startWindow();
    }
    QCOMPARE(firstLines(m_dialogs.errors()),
             QStringList{QStringLiteral("Unable to write to %1").arg(accountPath())});
    QVERIFY(m_form->CheckBox1->isChecked());
    QCOMPARE(m_form->Edit1->text(), QStringLiteral("user"));
    QCOMPARE(m_form->Memo1->text(), QStringLiteral("saved message"));
    QCOMPARE(readBytes(accountPath()), before);

    // The box works as usual afterwards.
    m_form->CheckBox1->click();
    QVERIFY(!QFile::exists(accountPath()));
    m_form->CheckBox1->click();
    QCOMPARE(readBytes(accountPath()),
             big5(QStringLiteral("[account]\r\nuser=pw\r\n認證碼=123\r\n")));
    QCOMPARE(m_dialogs.errors().size(), 1);
}

// Accessibility tools read every accessible object's texts: none may hold
// the saved password or code, the masked boxes included.
void TestSendingPageFiles::savedSecretsNotAnnounced()
{
    const QString secret = QStringLiteral("s3cret密碼");
    const QString code = QStringLiteral("98765");
    writeBytes(accountPath(),
               big5(QStringLiteral("[account]\r\nuser=%1\r\n認證碼=%2\r\n").arg(secret, code)));
    startWindow();
    QCOMPARE(m_form->Edit2->text(), secret);
    QCOMPARE(m_form->ValueListEditor2->rowCount(), 2);

    QStringList announced;
    std::function<void(QAccessibleInterface*, int)> walk = [&](QAccessibleInterface* node,
                                                               int depth) {
        if (!node || depth > 30)
            return;
        for (QAccessible::Text kind :
             {QAccessible::Name, QAccessible::Value, QAccessible::Description, QAccessible::Help})
            announced << node->text(kind);
        if (QAccessibleValueInterface* value = node->valueInterface())
            announced << value->currentValue().toString();
        for (int i = 0; i < node->childCount(); ++i)
            walk(node->child(i), depth + 1);
    };
    walk(QAccessible::queryAccessibleInterface(m_form.get()), 0);
    QVERIFY(announced.size() > 50);
    for (const QString& text : announced) {
        QVERIFY2(!text.contains(secret) && !text.contains(code), qPrintable(text));
    }
}

// With a screen reader running, a text box tells it every change of its
// text, as Qt's line edit does: the password and code boxes say that they
// changed, never what they hold. Qt hands these events to the installed
// update handler only while a screen reader listens, which it never does on
// the offscreen test platform: the test hands the handler the events a box
// sends on the desktop, the account's loaded values in them, as Qt would.
void TestSendingPageFiles::secretsNotInAccessibilityEvents()
{
    const QString secret = QStringLiteral("s3cret密碼");
    const QString code = QStringLiteral("98765");
    writeBytes(accountPath(),
               big5(QStringLiteral("[account]\r\nuser=%1\r\n認證碼=%2\r\n").arg(secret, code)));
    startWindow();
    QCOMPARE(m_form->Edit2->text(), secret);
    QCOMPARE(m_form->Edit5->text(), code);

    const QAccessible::UpdateHandler handler = QAccessible::installUpdateHandler(nullptr);
    QAccessible::installUpdateHandler(handler);
    QVERIFY(handler);
    Heard heard;
    heardTexts = &heard;
    for (QLineEdit* box : {m_form->Edit1, m_form->Edit2, m_form->Edit5}) {
        const QString text = box->text();
        QAccessibleTextUpdateEvent loaded(box, 0, QString(), text);
        handler(&loaded);
        QAccessibleTextInsertEvent typed(box, int(text.size()), text.right(2));
        handler(&typed);
        QAccessibleTextRemoveEvent erased(box, 0, text.left(2));
        handler(&erased);
    }
    heardTexts = nullptr;

    const Heard expected{{m_form->Edit1, QString()}, {m_form->Edit1, QStringLiteral("user")},
                         {m_form->Edit1, "er"},      {m_form->Edit1, "us"},
                         {m_form->Edit2, QString()}, {m_form->Edit2, QString(8, u'*')},
                         {m_form->Edit2, "**"},      {m_form->Edit2, "**"},
                         {m_form->Edit5, QString()}, {m_form->Edit5, "*****"},
                         {m_form->Edit5, "**"},      {m_form->Edit5, "**"}};
    QCOMPARE(heard, expected);
}

void TestSendingPageFiles::loadMessage()
{
    const QString longText = letters(200) + QStringLiteral("中");
    writeBytes(messagePath(),
               big5(QStringLiteral("今天\nhi\r\r\n") + longText) + QByteArray("\0rest", 5));
    startWindow();
    QCOMPARE(m_form->Memo1->text(), QStringLiteral("今天\r\nhi\r\n\r\n") + longText);
    // The count is shown at once; the text is not cut before a key is released.
    QCOMPARE(m_form->Edit4->text(), QStringLiteral("-141"));

    // Saved back, the lines end with CR LF.
    m_form->BitBtn2->click();
    QCOMPARE(readBytes(messagePath()), big5(QStringLiteral("今天\r\nhi\r\n\r\n") + longText));
}

void TestSendingPageFiles::saveMessage()
{
    m_form->Memo1->setText(QStringLiteral("生日快樂\r\nhappy birthday"));
    m_form->BitBtn2->click();
    QCOMPARE(readBytes(messagePath()),
             QByteArray("\xA5\xCD\xA4\xE9\xA7\xD6\xBC\xD6\r\nhappy birthday"));
    QCOMPARE(m_dialogs.shown().size(), 0);

    m_form->Memo1->setText(QString());
    m_form->BitBtn2->click();
    QCOMPARE(readBytes(messagePath()), QByteArray());
    // The next start loads the empty text.
    closeWindow();
    m_browser = std::make_unique<FakeBrowser>();
    makeForm();
    m_form->Memo1->setText(QStringLiteral("x"));
    startWindow();
    QCOMPARE(m_form->Memo1->text(), QString());
}

void TestSendingPageFiles::saveMessageWithUnencodableCharacter()
{
    writeBytes(messagePath(), "old");
    const QString text = QStringLiteral("生日快樂🎂");
    m_form->Memo1->setText(text);
    m_form->BitBtn2->click();
    QCOMPARE(m_dialogs.errors().size(), 1);
    // The box ends the sentence with one full stop, not "。.".
    QCOMPARE(m_dialogs.errors().front(),
             QStringLiteral("簡訊內容中的字元「🎂」(U+1F382)無法以 Big5 編碼儲存，"
                            "簡訊內容未儲存。請刪除或換掉這個字元後再儲存."));
    QCOMPARE(m_form->Memo1->text(), text);
    QCOMPARE(readBytes(messagePath()), QByteArray("old"));
}

void TestSendingPageFiles::saveMessageCannotCreate()
{
    const QString missing = exeDir() + QStringLiteral("missing/");
    FormServices services = this->services();
    services.exeDir = missing;
    const auto form = std::make_unique<TForm1>(services);
    form->Memo1->setText(QStringLiteral("hi"));
    form->BitBtn2->click();
    QCOMPARE(
        firstLines(m_dialogs.errors()),
        QStringList{QStringLiteral("Cannot create file \"%1sms.txt\". No such file or directory")
                        .arg(missing)});
    QCOMPARE(form->Memo1->text(), QStringLiteral("hi"));
}

QTEST_MAIN(TestSendingPageFiles)
#include "test_sendingpagefiles.moc"
