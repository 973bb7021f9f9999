#include "AnsiText.h"
#include "Memo.h"
#include "MessageCounter.h"
#include "ProfileFile.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include <utility>

namespace {

QByteArray big5(const QString& text)
{
    return ansi::encode(text);
}

QByteArray dataFile(const QString& name)
{
    return readBytes(QStringLiteral(SELVANTO_TEST_DATA "/") + name);
}

// A broken byte sequence as the code page reads it.
const QString broken = QString(QChar::ReplacementCharacter);
const QString nul = QString(QChar(0));

// Each of these loads of a 10 MB file takes well under a second; a load that
// reread the file for every key would take hours.
constexpr qint64 hugeFileLoadLimitMs = 30000;

using Entry = std::pair<QString, QString>;

// The entries of the named sections, as the program reads them.
QList<QList<Entry>> entriesOf(const QString& path, const QStringList& sections)
{
    const ProfileFile file(path);
    QList<QList<Entry>> all;
    for (const QString& section : sections) {
        QList<Entry> entries;
        for (const QString& key : file.readSection(section))
            entries.append({key, file.readString(section, key)});
        all << entries;
    }
    return all;
}

} // namespace

// Broken, odd and huge account and message files given to the start-up's
// two load steps: each gives the correct load or one clear error, never a
// crash, and loading changes no file (the account load's write-back rewrites
// the entries it has just read, and nothing else).
class TestBadFiles : public QObject, private ScriptedWindow
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        newWindow();
        earlierRun();
    }
    void cleanup() { closeWindow(); }

    void accountFiles_data();
    void accountFiles();
    void hugeAccountSection();
    void hugeAccountValue();

    void messageFiles_data();
    void messageFiles();
    void hugeOneLineMessage();

private:
    // Starts the window; false when the start-up ended with an error.
    bool startUp()
    {
        startWindow();
        return m_dialogs.errors().isEmpty();
    }
};

void TestBadFiles::accountFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("sections");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("problem");        // what the one warning names, or empty
    QTest::addColumn<QByteArray>("writtenBack"); // empty: the bytes stay as they are

    const QString notBig5 = QStringLiteral("檔案含有不是 Big5（code page 950）的位元組");
    QTest::newRow("broken character in the name")
        << "account-invalid-big5-name.ini" << QStringList{"account"} << "us" + broken + "0er"
        << "pw"
        << "123" << notBig5 << QByteArray();
    QTest::newRow("broken characters in another entry")
        << "account-invalid-big5-other.ini" << QStringList{"account"} << "user"
        << "pw"
        << "123" << notBig5 << QByteArray();
    QTest::newRow("UTF-8 byte-order mark")
        << "account-utf8-bom.ini" << QStringList{"account"} << "user"
        << "pw"
        << "123" << QStringLiteral("檔案以 UTF-8 位元組順序記號（BOM）開頭") << QByteArray();
    QTest::newRow("UTF-16 byte-order mark")
        << "account-utf16-bom.ini" << QStringList{"account"} << "user"
        << "pw"
        << "123" << QStringLiteral("檔案以 UTF-16 位元組順序記號（BOM）開頭") << QByteArray();
    QTest::newRow("NUL bytes") << "account-nul.ini" << QStringList{"account"} << "us" + nul + "er"
                               << "p" + nul + "w"
                               << "1" + nul + "2" << QString() << QByteArray();
    QTest::newRow("odd line endings")
        << "account-line-endings.ini" << QStringList{"account", "other"} << "user"
        << "pw"
        << "123" << QString()
        << big5(QStringLiteral("[account]\ruser=pw\r\n\r認證碼=123\r\n\r\n[other]\nx=1"));
}

void TestBadFiles::accountFiles()
{
    QFETCH(QString, file);
    QFETCH(QStringList, sections);
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, code);
    QFETCH(QString, problem);
    QFETCH(QByteArray, writtenBack);

    const QByteArray before = dataFile(file);
    writeBytes(accountPath(), before);
    writeBytes(messagePath(), "saved message");
    const QList<QList<Entry>> entriesBefore = entriesOf(accountPath(), sections);
    const QStringList filesBefore = folderEntries();

    QVERIFY(startUp());

    QCOMPARE(m_form->Edit1->text(), name);
    QCOMPARE(m_form->Edit2->text(), password);
    QCOMPARE(m_form->Edit5->text(), code);
    QVERIFY(m_form->CheckBox1->isChecked());
    QCOMPARE(folderEntries(), filesBefore);
    QCOMPARE(m_form->Memo1->text(), QStringLiteral("saved message"));
    QCOMPARE(readBytes(messagePath()), QByteArray("saved message"));
    QCOMPARE(entriesOf(accountPath(), sections), entriesBefore);
    if (problem.isEmpty()) {
        QCOMPARE(m_dialogs.shown().size(), 0);
    } else {
        // A file not in this format is loaded as far as it goes, named in
        // one warning, and never written back.
        QCOMPARE(m_dialogs.errors(), QStringList());
        QCOMPARE(m_dialogs.messages().size(), 1);
        QVERIFY2(m_dialogs.messages().front().contains(accountPath()) &&
                     m_dialogs.messages().front().contains(problem),
                 qPrintable(m_dialogs.messages().front()));
    }
    QCOMPARE(readBytes(accountPath()), writtenBack.isEmpty() ? before : writtenBack);
}

// Half a million entries in the account section: all of them reach the
// hidden list, and the write-back leaves the file as it was.
void TestBadFiles::hugeAccountSection()
{
    QByteArray bytes = big5(QStringLiteral("[account]\r\nuser=pw\r\n認證碼=123\r\n"));
    int extra = 0;
    while (bytes.size() < 10 * 1024 * 1024) {
        bytes += "key" + QByteArray::number(extra) + "=value" + QByteArray::number(extra) + "\r\n";
        ++extra;
    }
    bytes += "[other]\r\nx=1\r\n";
    writeBytes(accountPath(), bytes);
    writeBytes(messagePath(), "saved message");

    QElapsedTimer timer;
    timer.start();
    QVERIFY(startUp());
    QVERIFY2(timer.elapsed() < hugeFileLoadLimitMs, qPrintable(QString::number(timer.elapsed())));

    QCOMPARE(m_dialogs.shown().size(), 0);
    QCOMPARE(m_form->Edit1->text(), QStringLiteral("user"));
    QCOMPARE(m_form->Edit2->text(), QStringLiteral("pw"));
    QCOMPARE(m_form->Edit5->text(), QStringLiteral("123"));
    QCOMPARE(m_form->ValueListEditor2->rowCount(), extra + 2);
    const int last = extra + 1;
    QCOMPARE(m_form->ValueListEditor2->item(last, 0)->text(),
             QStringLiteral("key%1").arg(extra - 1));
    QCOMPARE(m_form->ValueListEditor2->item(last, 1)->text(),
             QStringLiteral("value%1").arg(extra - 1));
    QCOMPARE(m_form->Memo1->text(), QStringLiteral("saved message"));
    QVERIFY(readBytes(accountPath()) == bytes);
}

// A password of 10 MB does not fit the password box: written back from the
// box it would come out cut short, so the load stops with an error instead
// and the file keeps the whole value.
void TestBadFiles::hugeAccountValue()
{
    const QByteArray bytes = "[account]\r\nuser=" + QByteArray(10 * 1024 * 1024, 'p') +
                             big5(QStringLiteral("\r\n認證碼=123\r\n"));
    writeBytes(accountPath(), bytes);
    writeBytes(messagePath(), "saved message");

    QElapsedTimer timer;
    timer.start();
    QVERIFY(!startUp());
    QVERIFY2(timer.elapsed() < hugeFileLoadLimitMs, qPrintable(QString::number(timer.elapsed())));

    QCOMPARE(m_dialogs.errors().size(), 1);
    QVERIFY2(m_dialogs.errors().front().startsWith(
                 QStringLiteral("無法載入帳號檔 %1：").arg(accountPath())),
             qPrintable(m_dialogs.errors().front()));
    QVERIFY(readBytes(accountPath()) == bytes);
    QVERIFY(!m_form->CheckBox1->isChecked());
    QCOMPARE(m_form->Edit1->text(), QString());
    QCOMPARE(m_form->Edit2->text(), QString());
    QCOMPARE(m_form->Memo1->text(), QString());
}

void TestBadFiles::messageFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("text");

    // A lead byte before a byte that cannot follow it, and one at the end, are
    // broken; 0x80 and 0xFF are single bytes in Microsoft's table.
    QTest::newRow("broken characters")
        << "sms-invalid-big5.txt"
        << QStringLiteral("生日") + broken + QStringLiteral("0快樂\uF8F8\u0080\r\n") + broken;
    QTest::newRow("NUL bytes") << "sms-nul.txt" << QStringLiteral("生日快樂\r\nhi");
}

void TestBadFiles::messageFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, text);

    const QByteArray before = dataFile(file);
    writeBytes(messagePath(), before);
    const QStringList filesBefore = folderEntries();

    QVERIFY(startUp());

    QCOMPARE(m_dialogs.shown().size(), 0);
    QCOMPARE(m_form->Memo1->text(), text);
    QCOMPARE(m_form->Edit4->text(), QString::number(messageBudget(text) - text.size()));
    QCOMPARE(readBytes(messagePath()), before);
    QCOMPARE(folderEntries(), filesBefore);
}

void TestBadFiles::hugeOneLineMessage()
{
    QByteArray bytes;
    const QByteArray word = big5(QStringLiteral("生日快樂 happy birthday "));
    while (bytes.size() < 1024 * 1024)
        bytes += word;
    writeBytes(messagePath(), bytes);

    QElapsedTimer timer;
    timer.start();
    QVERIFY(startUp());
    QVERIFY2(timer.elapsed() < hugeFileLoadLimitMs, qPrintable(QString::number(timer.elapsed())));

    QCOMPARE(m_dialogs.shown().size(), 0);
    QVERIFY(m_form->Memo1->text() == ansi::decode(bytes));
    QVERIFY(readBytes(messagePath()) == bytes);
    QCOMPARE(folderEntries(), (QStringList{"contact.mdb", "sendlog.db", "sms.txt"}));
}

QTEST_MAIN(TestBadFiles)
#include "test_badfiles.moc"
