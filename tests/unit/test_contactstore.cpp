#include "ContactBookFiles.h"
#include "ContactStore.h"
#include "Failure.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestContactStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void opensTheStandardTable();
    void otherColumnsAreIgnored();
    void missingFileIsNotCreated();
    void notSqliteFileFailsAndStaysUnchanged_data();
    void notSqliteFileFailsAndStaysUnchanged();
    void fieldChecks_data();
    void fieldChecks();
    void nonTextTypeNames_data();
    void nonTextTypeNames();

private:
    QString failureOf(const QString& path);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestContactStore::init()
{
    // Characters that mean something in a URI must reach the file system as
    // they are.
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("通訊 #1?%")));
    m_path = m_dir->path() + QStringLiteral("/通訊 #1?%/contact.mdb");
}

QString TestContactStore::failureOf(const QString& path)
{
    try {
        ContactStore store(path);
    } catch (const Failure& failure) {
        return failure.text();
    }
    return {};
}

void TestContactStore::opensTheStandardTable()
{
    writeContactBook(m_path,
                     {{QStringLiteral("王"), QStringLiteral("800305"), QStringLiteral("0912")}});
    const QByteArray before = readBytes(m_path);
    {
        ContactStore store(m_path);
        QVERIFY(store.database().isOpen());
        QVERIFY(store.handle());
    }
    QCOMPARE(readBytes(m_path), before);
    QCOMPARE(QDir(m_dir->path() + QStringLiteral("/通訊 #1?%")).entryList(QDir::Files),
             QStringList{QStringLiteral("contact.mdb")});
}

void TestContactStore::otherColumnsAreIgnored()
{
    writeContactBook(
        m_path, {},
        QStringLiteral("CREATE TABLE contact (id INTEGER PRIMARY KEY, 備註 BLOB, "
                       "\"手機號碼\" VARCHAR(15), \"生日\" NVARCHAR(7), \"姓名\" TEXT)"));
    QCOMPARE(failureOf(m_path), QString());
}

void TestContactStore::missingFileIsNotCreated()
{
    const QString failure = failureOf(m_path);
    QCOMPARE(firstLine(failure), QStringLiteral("Could not find file '%1'.").arg(m_path));
    // The advice says how to make a contact book.
    QVERIFY2(failure.contains(QStringLiteral("selvanto-contacts create")), qPrintable(failure));
    QVERIFY(!QFileInfo::exists(m_path));
    QVERIFY(QDir(m_dir->path() + QStringLiteral("/通訊 #1?%")).isEmpty());
}

void TestContactStore::notSqliteFileFailsAndStaysUnchanged_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << QByteArray("just some text\n", 15).repeated(300);
    QTest::newRow("access") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) +
                                   QByteArray(4000, '\x5a');
    QTest::newRow("short header") << QByteArray("SQLite format");
}

void TestContactStore::notSqliteFileFailsAndStaysUnchanged()
{
    QFETCH(QByteArray, content);
    writeBytes(m_path, content);
    const QDateTime modified = QFileInfo(m_path).lastModified();
    QCOMPARE(firstLine(failureOf(m_path)),
             QStringLiteral("Unrecognized database format '%1'.").arg(m_path));
    QCOMPARE(readBytes(m_path), content);
    QCOMPARE(QFileInfo(m_path).lastModified(), modified);
    QCOMPARE(QDir(m_dir->path() + QStringLiteral("/通訊 #1?%")).entryList(QDir::Files).size(), 1);
}

void TestContactStore::fieldChecks_data()
{
    QTest::addColumn<QString>("createTable");
    QTest::addColumn<QString>("failure");
    QTest::newRow("no table") << QStringLiteral("CREATE TABLE people (a TEXT)")
                              << QStringLiteral("Could not find table 'contact' in '%1'.");
    QTest::newRow("name missing") << QStringLiteral(
                                         "CREATE TABLE contact (\"生日\" TEXT, \"手機號碼\" TEXT)")
                                  << QStringLiteral("ADOTable1: Field '姓名' not found");
    QTest::newRow("mobile missing")
        << QStringLiteral("CREATE TABLE contact (\"姓名\" TEXT, \"生日\" TEXT, mobile TEXT)")
        << QStringLiteral("ADOTable1: Field '手機號碼' not found");
    QTest::newRow("integer birthday")
        << QStringLiteral(
               "CREATE TABLE contact (\"姓名\" TEXT, \"生日\" INTEGER, \"手機號碼\" TEXT)")
        << QStringLiteral(
               "ADOTable1: Type mismatch for field '生日', expecting: WideString actual: Integer");
    QTest::newRow("float mobile")
        << QStringLiteral(
               "CREATE TABLE contact (\"姓名\" TEXT, \"生日\" TEXT, \"手機號碼\" DOUBLE)")
        << QStringLiteral("ADOTable1: Type mismatch for field '手機號碼', expecting: WideString "
                          "actual: Float");
    QTest::newRow("blob name")
        << QStringLiteral("CREATE TABLE contact (\"姓名\" BLOB, \"生日\" TEXT, \"手機號碼\" TEXT)")
        << QStringLiteral(
               "ADOTable1: Type mismatch for field '姓名', expecting: WideString actual: Blob");
    QTest::newRow("first failing field wins")
        << QStringLiteral("CREATE TABLE contact (\"姓名\" REAL, \"生日\" INT)")
        << QStringLiteral(
               "ADOTable1: Type mismatch for field '姓名', expecting: WideString actual: Float");
}

void TestContactStore::fieldChecks()
{
    QFETCH(QString, createTable);
    QFETCH(QString, failure);
    writeContactBook(m_path, {}, createTable);
    const QByteArray before = readBytes(m_path);
    QCOMPARE(firstLine(failureOf(m_path)),
             failure.contains(QLatin1String("%1")) ? failure.arg(m_path) : failure);
    QCOMPARE(readBytes(m_path), before);
}

void TestContactStore::nonTextTypeNames_data()
{
    QTest::addColumn<QString>("declared");
    QTest::addColumn<QString>("name");
    QTest::newRow("TEXT") << "TEXT"
                          << "";
    QTest::newRow("varchar") << "varchar(20)"
                             << "";
    QTest::newRow("NVARCHAR") << "NVARCHAR(7)"
                              << "";
    QTest::newRow("CLOB") << "CLOB"
                          << "";
    QTest::newRow("INTEGER") << "INTEGER"
                             << "Integer";
    QTest::newRow("BIGINT") << "BIGINT"
                            << "Integer";
    QTest::newRow("REAL") << "REAL"
                          << "Float";
    QTest::newRow("FLOAT") << "FLOAT"
                           << "Float";
    QTest::newRow("BLOB") << "BLOB"
                          << "Blob";
    QTest::newRow("no type") << ""
                             << "Blob";
    QTest::newRow("BOOLEAN") << "BOOLEAN"
                             << "Boolean";
    QTest::newRow("DATETIME") << "DATETIME"
                              << "DateTime";
    QTest::newRow("NUMERIC") << "NUMERIC(10,2)"
                             << "BCD";
}

void TestContactStore::nonTextTypeNames()
{
    QFETCH(QString, declared);
    QFETCH(QString, name);
    QCOMPARE(ContactStore::nonTextTypeName(declared), name);
}

QTEST_GUILESS_MAIN(TestContactStore)
#include "test_contactstore.moc"
