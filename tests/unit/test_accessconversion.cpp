#include "AccessConversion.h"
#include "AccessReader.h"
#include "ContactBookFiles.h"
#include "ContactBookTool.h"
#include "Failure.h"
#include "FileSizeLimit.h"
#include "RecordingDialogs.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

// The earlier version's Access contact books, converted at start-up.
class TestAccessConversion : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void convertsEveryRow_data();
    void convertsEveryRow();
    void keepsTheBooksPermissions();
    void noLeavesTheBookAsItWas();
    void failureLeavesTheBookAsItWas_data();
    void failureLeavesTheBookAsItWas();
    void otherFilesAreNotOffered();
    void hostileFilesAreRefused_data();
    void hostileFilesAreRefused();
    void everyCutIsRefusedOrWhole();
    void aCopyLeftByAnEarlierAttemptIsNoObstacle();

private:
    QString placeBook(const QString& fixture);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    RecordingDialogs m_dialogs;
};

namespace {

ContactRow row(const QVariant& name, const QVariant& birthday, const QVariant& mobile)
{
    return {name, birthday, mobile};
}

// The Jet 3 file has 成功 in place of the emoji name, as its last row.
QList<ContactRow> fixtureRows(const QString& emojiName)
{
    const QVariant null;
    QList<ContactRow> rows = {row("王小明", "850305", "0912345678"),
                              row("林美麗", "900101", "0928000111"),
                              row("陳大華", "771231", null),
                              row("許功蓋", "840229", "0933222111"),
                              row("張志豪", null, "0955666777"),
                              row("李淑芬", "", ""),
                              row("歐陽娜娜", "011120", "+886912345678"),
                              row(emojiName, "000229", "0987654321"),
                              row("Amy 陳", "991231", "0911-222-333"),
                              row("黃俊傑", null, null)};
    if (emojiName == "成功")
        rows.move(7, 9);
    return rows;
}

const QString reader = QStringLiteral(SELVANTO_ACCESS_READER);

const QString question = QStringLiteral(
    "通訊錄 contact.mdb 是舊版 Access 格式，要轉換成新格式嗎？原檔會保留為 contact.mdb.access");

} // namespace

void TestAccessConversion::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("contact.mdb"));
    m_dialogs = RecordingDialogs();
}

QString TestAccessConversion::placeBook(const QString& fixture)
{
    const QString source = QStringLiteral(SELVANTO_TEST_DATA "/") + fixture;
    writeBytes(m_path, readBytes(source));
    return source;
}

void TestAccessConversion::convertsEveryRow_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("emojiName");
    QTest::newRow("Jet 4, Access 2000") << "contact_jet4_access2000.mdb"
                                        << "蔡🎂依林";
    QTest::newRow("Jet 4, Access 2002-2003") << "contact_jet4_access2002-2003.mdb"
                                             << "蔡🎂依林";
    QTest::newRow("ACE, Access 2007") << "contact_ace12_access2007.accdb"
                                      << "蔡🎂依林";
    QTest::newRow("Jet 3, code page 950") << "contact_jet3_access97_cp950.mdb"
                                          << "成功";
}

void TestAccessConversion::convertsEveryRow()
{
    QFETCH(QString, fixture);
    QFETCH(QString, emojiName);
    const QString source = placeBook(fixture);
    accessconversion::offer(m_path, m_dialogs, reader);
    QCOMPARE(
        m_dialogs.texts(),
        QStringList({question, "已將 10 筆聯絡人轉換成新格式，原檔保留為 contact.mdb.access。"}));
    QCOMPARE(readContactBook(m_path), fixtureRows(emojiName));
    QCOMPARE(readBytes(m_path + ".access"), readBytes(source));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
             QStringList({"contact.mdb", "contact.mdb.access"}));
}

// A book only its owner may read stays so, and so does the kept original.
void TestAccessConversion::keepsTheBooksPermissions()
{
    placeBook(QStringLiteral("contact_jet4_access2000.mdb"));
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                           QFileDevice::ReadUser | QFileDevice::WriteUser;
    QVERIFY(QFile::setPermissions(m_path, ownerOnly));
    accessconversion::offer(m_path, m_dialogs, reader);
    QCOMPARE(m_dialogs.texts().size(), 2);
    QCOMPARE(QFile::permissions(m_path), ownerOnly);
    QCOMPARE(QFile::permissions(m_path + ".access"), ownerOnly);
}

void TestAccessConversion::noLeavesTheBookAsItWas()
{
    const QString source = placeBook(QStringLiteral("contact_jet4_access2000.mdb"));
    m_dialogs.queueAnswers({false});
    try {
        accessconversion::offer(m_path, m_dialogs, reader);
        QFAIL("refusing the conversion must end the opening");
    } catch (const Failure& failure) {
        QVERIFY(failure.text().contains("沒有轉換"));
    }
    QCOMPARE(readBytes(m_path), readBytes(source));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({"contact.mdb"}));
}

void TestAccessConversion::failureLeavesTheBookAsItWas_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<qint64>("sizeLimit");
    QTest::addColumn<QString>("cause");
    QTest::newRow("no table contact")
        << "wrongtable_Contacts_jet4_access2000.mdb" << qint64(0) << "沒有資料表 contact";
    QTest::newRow("damaged file") << "damaged" << qint64(0) << "損壞";
    // The new book fits, the kept original does not.
    QTest::newRow("disk full") << "contact_jet4_access2000.mdb" << qint64(40000) << "無法寫入";
}

void TestAccessConversion::failureLeavesTheBookAsItWas()
{
    QFETCH(QString, fixture);
    QFETCH(qint64, sizeLimit);
    QFETCH(QString, cause);
    if (fixture == "damaged") {
        // An Access header on a file cut short in its first page.
        QByteArray bytes =
            readBytes(QStringLiteral(SELVANTO_TEST_DATA "/contact_jet4_access2000.mdb"));
        writeBytes(m_path, bytes.left(3000));
    } else {
        placeBook(fixture);
    }
    const QByteArray before = readBytes(m_path);
    try {
        std::optional<FileSizeLimit> limit;
        if (sizeLimit)
            limit.emplace(sizeLimit);
        accessconversion::offer(m_path, m_dialogs, reader);
        QFAIL("the conversion must fail");
    } catch (const Failure& failure) {
        QVERIFY2(failure.text().contains(cause), qPrintable(failure.text()));
        QVERIFY(failure.text().contains("檔案保持原樣"));
    }
    QCOMPARE(readBytes(m_path), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({"contact.mdb"}));
}

void TestAccessConversion::otherFilesAreNotOffered()
{
    writeContactBook(m_path, {row("甲", "800305", "0911")});
    const QByteArray before = readBytes(m_path);
    accessconversion::offer(m_path, m_dialogs, reader);
    QVERIFY(m_dialogs.texts().isEmpty());
    QCOMPARE(readBytes(m_path), before);
}

// Crafted files that crash libmdb or make it allocate without end: the
// reader's process ends, the program does not.
void TestAccessConversion::hostileFilesAreRefused_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<char>("byte");
    QTest::newRow("crashes libmdb") << 0xE823 << char(0xF8);
    QTest::newRow("allocates without end") << 0xA718 << char(0x00);
}

void TestAccessConversion::hostileFilesAreRefused()
{
    QFETCH(int, offset);
    QFETCH(char, byte);
    QByteArray bytes =
        readBytes(QStringLiteral(SELVANTO_TEST_DATA "/contact_jet3_access97_cp950.mdb"));
    bytes[offset] = byte;
    writeBytes(m_path, bytes);
    try {
        accessconversion::offer(m_path, m_dialogs, reader);
        QFAIL("the conversion must fail");
    } catch (const accessreader::Unreadable& failure) {
        QVERIFY2(failure.text().contains(QStringLiteral("Access 檔案無法讀取（可能已損壞）")),
                 qPrintable(failure.text()));
    }
    QCOMPARE(readBytes(m_path), bytes);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({"contact.mdb"}));

    // The contact tool imports it through the same reader, and says so.
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const QString book = m_dir->filePath(QStringLiteral("book.mdb"));
    QCOMPARE(runContactBookTool({"create", book}, outStream, errStream, reader), 0);
    QCOMPARE(runContactBookTool({"import", book, m_path}, outStream, errStream, reader), 1);
    errStream.flush();
    QVERIFY2(err.contains(QStringLiteral("Access 檔案無法讀取（可能已損壞）")), qPrintable(err));
    QCOMPARE(readContactBook(book).size(), 0);
}

// A copy cut short (an interrupted copy) converts whole or not at all, never
// into fewer rows. libmdb reads each cut in the reader's process.
void TestAccessConversion::everyCutIsRefusedOrWhole()
{
    const QByteArray whole =
        readBytes(QStringLiteral(SELVANTO_TEST_DATA "/contact_jet4_access2000.mdb"));
    constexpr int pageSize = 4096;
    QList<int> cuts;
    for (int end = pageSize; end < whole.size(); end += pageSize)
        cuts << end << end - 1111;
    for (int end : cuts) {
        QFile::remove(m_path);
        QFile::remove(m_path + ".access");
        writeBytes(m_path, whole.left(end));
        try {
            QCOMPARE(accessconversion::convert(m_path, reader), 10);
            QCOMPARE(readContactBook(m_path).size(), 10);
        } catch (const accessreader::Unreadable& failure) {
            // The cause alone, without what libmdb prints on the way.
            QVERIFY2(!failure.text().contains("EOF"), qPrintable(failure.text()));
            QCOMPARE(readBytes(m_path), whole.left(end));
            QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList({"contact.mdb"}));
        }
    }
    // The book's own rows lie in its last pages: cuts there must be refused.
    writeBytes(m_path, whole.left(whole.size() - pageSize));
    try {
        accessconversion::convert(m_path, reader);
        QFAIL("a book without its last page must be refused");
    } catch (const accessreader::Unreadable& failure) {
        QCOMPARE(failure.text(), QStringLiteral("Access 資料庫已損壞：資料頁超出檔案結尾"));
    }
}

void TestAccessConversion::aCopyLeftByAnEarlierAttemptIsNoObstacle()
{
    const QString source = placeBook(QStringLiteral("contact_jet4_access2000.mdb"));
    writeBytes(m_path + ".access", readBytes(source));
    QCOMPARE(accessconversion::convert(m_path, reader), 10);
    QCOMPARE(readBytes(m_path + ".access"), readBytes(source));

    // A different file of that name is kept from harm.
    placeBook(QStringLiteral("contact_jet4_access2000.mdb"));
    writeBytes(m_path + ".access", "another file");
    QVERIFY_THROWS_EXCEPTION(Failure, accessconversion::convert(m_path, reader));
    QCOMPARE(readBytes(m_path + ".access"), QByteArray("another file"));
    QCOMPARE(readBytes(m_path), readBytes(source));
}

QTEST_GUILESS_MAIN(TestAccessConversion)
#include "test_accessconversion.moc"
