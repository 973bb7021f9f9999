#include "AnsiText.h"
#include "ContactBookFiles.h"
#include "DatePicker.h"
#include "GatewayAddress.h"
#include "Guard.h"
#include "Memo.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <optional>

namespace {
const QString base = QStringLiteral("http://127.0.0.1:1");
}

// The start-up as a whole: the window made with its files in place and shown
// once, looked at while its boxes are open and after the sequence returned.
class TestStartup : public QObject, private ScriptedWindow
{
    Q_OBJECT

private Q_SLOTS:
    void init() { newFolder(); }
    void cleanup() { closeWindow(); }

    void stepsRunInOrder();
    void failureEndsTheStartUp_data();
    void failureEndsTheStartUp();
    void manyBirthdaysGreetAndWait();
    void oldAccessBookAsked_data();
    void oldAccessBookAsked();
    void crashingAccessBookIsNotOfferedAgain();
    void closeWhileGreetingStillLoadsAccountAndMessage();

public:
    TestStartup() : ScriptedWindow(base) {}

    // What the start-up has put into the window so far.
    struct Window
    {
        QStringList navigations;
        QString hour;
        QString minute;
        QStringList boxes;
        QString account;
        bool accountChecked = false;
        QString message;

        bool operator==(const Window&) const = default;
    };

private:
    void writeStandardFiles(const QList<ContactRow>& rows);
    void start(const QStringList& arguments = {});
    Window window() const;
};

Q_DECLARE_METATYPE(TestStartup::Window)

namespace {

const QString greeting = QStringLiteral("今天有朋友生日哦，獻上您真誠的祝福!");
const QString message = QStringLiteral("生日快樂\r\n天天開心");

ContactRow row(const QString& name, const QString& birthday, const QString& mobile)
{
    return {name, birthday, mobile};
}

// Two of today's (5 March) birthdays among other rows.
const QList<ContactRow> twoBirthdays = {row("甲", "800305", "0911"), row("乙", "810101", "0922"),
                                        row("丙", "820305", "0933")};

QStringList emptyBoxes()
{
    return QStringList(5);
}

// A contact book whose first row is a birthday and whose row after the
// given number of others cannot be read past its name: the chain of pages
// holding the long name is broken. As many rows again follow it. Opening reads
// only the row keys and the first rows, so the scan is the first to trip over
// it.
void writeBookBrokenMidway(const QString& file, int others)
{
    QList<ContactRow> rows{row("甲", "800305", "0911")};
    for (int i = 0; i < others; ++i)
        rows << row("乙", "810101", "0922");
    const QString marker = QStringLiteral("BROKEN-PAGE-MARKER");
    const QString longName =
        QString(6000, QLatin1Char('a')) + marker + QString(6000, QLatin1Char('b'));
    rows << row(longName, "820305", "0933");
    for (int i = 0; i < others; ++i)
        rows << row("丁", "830305", "0944");
    writeContactBook(file, rows);

    QByteArray bytes = readBytes(file);
    const int pageSize = (quint8(bytes[16]) << 8) | quint8(bytes[17]);
    const qsizetype at = bytes.indexOf(marker.toLatin1());
    QVERIFY(pageSize >= 512 && at > pageSize);
    // An overflow page begins with the number of the next one.
    bytes.replace(at - at % pageSize, 4, QByteArray("\x7f\xff\xff\xff", 4));
    writeBytes(file, bytes);
}

} // namespace

void TestStartup::writeStandardFiles(const QList<ContactRow>& rows)
{
    writeContactBook(contactBookPath(), rows);
    writeBytes(accountPath(),
               ansi::encode(QStringLiteral("[account]\r\ndemo=secret\r\n認證碼=1234\r\n")));
    writeBytes(messagePath(), ansi::encode(message));
}

void TestStartup::start(const QStringList& arguments)
{
    makeForm(arguments);
    m_form->show();
}

TestStartup::Window TestStartup::window() const
{
    Window now;
    now.navigations = m_browser->navigations();
    now.hour = m_form->ComboBox1->currentText();
    now.minute = m_form->ComboBox2->currentText();
    for (const QLineEdit* box : m_form->recipientBoxes())
        now.boxes << box->text();
    now.account = m_form->Edit1->text();
    now.accountChecked = m_form->CheckBox1->isChecked();
    now.message = m_form->Memo1->text();
    return now;
}

void TestStartup::stepsRunInOrder()
{
    writeStandardFiles(twoBirthdays);
    std::optional<Window> atGreeting;
    m_dialogs.setOnShow([&](const RecordingDialogs::Shown&) { atGreeting = window(); });
    // The date picker reads the clock a second time, after the scan's reading.
    m_clock.set(QDateTime(QDate(2026, 3, 5), QTime(8, 40)));
    start();

    QCOMPARE(m_dialogs.messages(), QStringList{greeting});
    QVERIFY(m_dialogs.errors().isEmpty());
    QVERIFY(atGreeting);
    const Window greeted{{GatewayAddress::smsPage(base)},
                         QStringLiteral("9"),
                         QStringLiteral("00"),
                         {"0911", "0933", "", "", ""},
                         {},
                         false,
                         {}};
    QCOMPARE(*atGreeting, greeted);

    Window loaded = greeted;
    loaded.account = QStringLiteral("demo");
    loaded.accountChecked = true;
    loaded.message = message;
    QCOMPARE(window(), loaded);
    QCOMPARE(m_form->Edit2->text(), QStringLiteral("secret"));
    QCOMPARE(m_form->Edit5->text(), QStringLiteral("1234"));
    QCOMPARE(m_form->DateTimePicker1->date(), QDate(2026, 3, 5));
    QVERIFY(m_form->isVisible());
}

void TestStartup::failureEndsTheStartUp_data()
{
    QTest::addColumn<QString>("breaking");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("navigation") << "navigation" << emptyBoxes() << QStringList{};
    QTest::newRow("missing contact book")
        << "missing contact book" << emptyBoxes() << QStringList{};
    QTest::newRow("contact book not a database")
        << "garbage contact book" << emptyBoxes() << QStringList{};
    QTest::newRow("scan") << "scan" << QStringList{"", "", "", "", ""} << QStringList{};
    // The scan runs beside the rest of the start-up: its failure still ends it.
    QTest::newRow("scan of a large book")
        << "scan of a large book" << QStringList{"", "", "", "", ""} << QStringList{};
    // A value longer than its box is refused before anything is shown.
    QTest::newRow("account refused")
        << "account" << QStringList{"0911", "0933", "", "", ""} << QStringList{greeting};
}

void TestStartup::failureEndsTheStartUp()
{
    QFETCH(QString, breaking);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, messages);

    writeStandardFiles(twoBirthdays);
    const QString book = contactBookPath();
    const QString accountFile = accountPath();
    if (breaking == QLatin1String("navigation"))
        m_browser->failNextNavigate(QStringLiteral("The page cannot be opened"));
    else if (breaking == QLatin1String("missing contact book"))
        QVERIFY(QFile::remove(book));
    else if (breaking == QLatin1String("garbage contact book"))
        writeBytes(book, QByteArray(4096, '\x5a'));
    else if (breaking == QLatin1String("scan") && QFile::remove(book))
        writeBookBrokenMidway(book, 598);
    else if (breaking == QLatin1String("scan of a large book") && QFile::remove(book))
        writeBookBrokenMidway(book, 100000);
    else if (breaking == QLatin1String("account"))
        writeBytes(accountFile, "[account]\r\ndemo=" + QByteArray(40000, 'p') + "\r\n");
    const QByteArray bookBefore = QFile::exists(book) ? readBytes(book) : QByteArray();
    const QByteArray accountBefore = readBytes(accountFile);

    start();

    QCOMPARE(m_dialogs.errors().size(), 1);
    if (breaking == QLatin1String("navigation"))
        QCOMPARE(m_dialogs.errors().first(), errorBoxText("The page cannot be opened"));
    if (breaking == QLatin1String("missing contact book"))
        QCOMPARE(firstLine(m_dialogs.errors().first()),
                 QStringLiteral("Could not find file '%1'.").arg(book));
    QCOMPARE(m_dialogs.messages(), messages);

    // The steps before the failing one stay done; none after it is done.
    const Window now = window();
    QCOMPARE(now.navigations, QStringList{GatewayAddress::smsPage(base)});
    QCOMPARE(now.hour, QStringLiteral("9"));
    QCOMPARE(now.boxes, boxes);
    QCOMPARE(now.account, QString());
    QVERIFY(!now.accountChecked);
    QCOMPARE(now.message, QString());
    // The scan fails, the contact grid still holds every row.
    if (breaking == QLatin1String("scan of a large book"))
        QCOMPARE(m_form->DBGrid1->model()->rowCount(), 200002);
    QVERIFY(m_form->isVisible());

    // A failed start-up writes nothing.
    QCOMPARE(QFile::exists(book) ? readBytes(book) : QByteArray(), bookBefore);
    QCOMPARE(readBytes(accountFile), accountBefore);
}

void TestStartup::oldAccessBookAsked_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

// An Access book of the earlier version: on Yes the start-up goes on with the
// converted book (王小明's birthday is today); on No it ends with an error and
// the file is left as it was.
void TestStartup::oldAccessBookAsked()
{
    QFETCH(bool, yes);
    writeStandardFiles({});
    const QByteArray access =
        readBytes(QStringLiteral(SELVANTO_TEST_DATA "/contact_jet4_access2000.mdb"));
    writeBytes(contactBookPath(), access);
    m_dialogs.queueAnswers({yes});
    start();

    const QString question =
        QStringLiteral("通訊錄 contact.mdb 是舊版 Access 格式，要轉換成新格式嗎？"
                       "原檔會保留為 contact.mdb.access");
    QCOMPARE(m_dialogs.texts().first(), question);
    const Window now = window();
    if (yes) {
        QVERIFY(m_dialogs.errors().isEmpty());
        QCOMPARE(m_dialogs.messages(),
                 QStringList(
                     {"已將 10 筆聯絡人轉換成新格式，原檔保留為 contact.mdb.access。", greeting}));
        QCOMPARE(now.boxes, QStringList({"0912345678", "", "", "", ""}));
        QCOMPARE(now.account, QStringLiteral("demo"));
        QCOMPARE(readBytes(contactBookPath() + ".access"), access);
        QCOMPARE(m_form->DBGrid1->model()->rowCount(), 10);
    } else {
        QCOMPARE(m_dialogs.errors().size(), 1);
        QVERIFY(m_dialogs.errors().first().contains("沒有轉換"));
        QCOMPARE(now.boxes, emptyBoxes());
        QCOMPARE(now.account, QString());
        QCOMPARE(readBytes(contactBookPath()), access);
        QVERIFY(!QFile::exists(contactBookPath() + ".access"));
    }
}

// An Access book that crashes libmdb (one byte changed in a real one) fails
// the conversion in the reader's process; later starts show the error at once
// instead of asking, until the file changes.
void TestStartup::crashingAccessBookIsNotOfferedAgain()
{
    writeStandardFiles({});
    QByteArray access =
        readBytes(QStringLiteral(SELVANTO_TEST_DATA "/contact_jet3_access97_cp950.mdb"));
    access[0xE823] = char(0xF8);
    writeBytes(contactBookPath(), access);
    const QString unreadable = QStringLiteral("Access 檔案無法讀取（可能已損壞）");
    for (int run = 0; run < 3; ++run) {
        if (run == 2) {
            // The file changed: it is offered again.
            QFile file(contactBookPath());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                     QFileDevice::FileModificationTime));
        }
        closeWindow();
        m_browser = std::make_unique<FakeBrowser>();
        m_dialogs.clear();
        start({QStringLiteral("--autostart")});
        QCOMPARE(m_dialogs.questions().size(), run == 1 ? 0 : 1);
        QCOMPARE(m_dialogs.errors().size(), 1);
        QVERIFY2(m_dialogs.errors().first().contains(unreadable),
                 qPrintable(m_dialogs.errors().first()));
        QCOMPARE(readBytes(contactBookPath()), access);
        QVERIFY(!QFile::exists(contactBookPath() + ".access"));
    }
}

// More than five birthdays: the message, then a day like any other; the
// others wait for the next batches.
void TestStartup::manyBirthdaysGreetAndWait()
{
    QList<ContactRow> seven;
    for (int i = 1; i <= 7; ++i)
        seven << row(QStringLiteral("友%1").arg(i), QStringLiteral("900305"), QString::number(i));
    writeStandardFiles(seven);
    start({QStringLiteral("--autostart")});

    QCOMPARE(m_dialogs.messages(), (QStringList{QStringLiteral("發送人數超過五人!"), greeting}));
    QVERIFY(m_dialogs.errors().isEmpty());
    const Window now = window();
    QCOMPARE(now.boxes, (QStringList{"1", "2", "3", "4", "5"}));
    QCOMPARE(now.account, QStringLiteral("demo"));
    QCOMPARE(now.message, message);
    QCOMPARE(m_form->findChild<QLabel*>(QStringLiteral("Label10"))->text(),
             QStringLiteral("尚有 2 位待發送"));
    QVERIFY(m_form->isVisible());
}

// Started with an argument on a day without birthdays, the window closes in
// the greeting step; the account and message still load, and only then does
// the program end.
void TestStartup::closeWhileGreetingStillLoadsAccountAndMessage()
{
    writeStandardFiles({row("乙", "810101", "0922")});

    class CloseWatcher : public QObject
    {
    public:
        std::optional<QString> accountAtClose;
        int closes = 0;

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Close) {
                ++closes;
                accountAtClose = qobject_cast<TForm1*>(watched)->Edit1->text();
            }
            return false;
        }
    };

    makeForm({QStringLiteral("--autostart")});
    CloseWatcher watcher;
    m_form->installEventFilter(&watcher);
    m_form->show();

    QCOMPARE(watcher.closes, 1);
    QCOMPARE(watcher.accountAtClose, QString());
    QVERIFY(m_dialogs.shown().isEmpty());
    QVERIFY(!m_form->isVisible());
    QCOMPARE(m_form->Edit1->text(), QStringLiteral("demo"));
    QCOMPARE(m_form->Memo1->text(), message);
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
