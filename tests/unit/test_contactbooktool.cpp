#include "ContactBookFiles.h"
#include "ContactBookTool.h"
#include "SendLog.h"
#include "TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

class TestContactBookTool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void createAddList();
    void badInput_data();
    void badInput();
    void createRefusesAnExistingFile();
    void upcomingListsTheDaysAhead();
    void helpPrintsTheUsage();
    void exportNeverOverwritesABook_data();
    void exportNeverOverwritesABook();
    void exportReplacesAnotherFileOnlyWithForce();
    void buildMadeAnEmptyContactBook();

private:
    int run(const QStringList& arguments);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    QString m_out;
    QString m_err;
};

void TestContactBookTool::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("contact.mdb"));
}

int TestContactBookTool::run(const QStringList& arguments)
{
    m_out.clear();
    m_err.clear();
    QTextStream out(&m_out);
    QTextStream err(&m_err);
    return runContactBookTool(arguments, out, err);
}

void TestContactBookTool::createAddList()
{
    QCOMPARE(run({"create", m_path}), 0);
    QCOMPARE(readContactBook(m_path), QList<ContactRow>{});
    QCOMPARE(run({"add", m_path, "王小明", "800305", "0912345678"}), 0);
    QCOMPARE(run({"add", m_path, "Amy", "991231", ""}), 0);
    QCOMPARE(run({"list", m_path}), 0);
    QCOMPARE(m_out, QStringLiteral("王小明\t800305\t0912345678\nAmy\t991231\t\n"));
    QVERIFY(m_err.isEmpty());

    // The program folder's send log, one row per sending form, as the window shows it.
    {
        SendLog log(m_dir->filePath(SendLog::fileName()));
        log.recordSend(QDateTime(QDate(2026, 3, 5), QTime(9, 0)), {"0912345678"}, {"王小明"},
                       QStringLiteral("生日快樂"), {});
        log.recordVerify(QDateTime(QDate(2026, 3, 5), QTime(9, 1)));
    }
    QCOMPARE(run({"history", m_dir->path()}), 0);
    const QStringList lines = m_out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[1],
             QStringLiteral("2026-03-05 09:00:00\t王小明\t0912345678\t生日快樂\t立即發送\t未確認"));
}

// The days ahead in date order, today's, and the last days' not greeted.
void TestContactBookTool::upcomingListsTheDaysAhead()
{
    const QDate today = QDate::currentDate();
    const auto born = [&](int days) {
        return today.addDays(days).toString(QStringLiteral("yyMMdd"));
    };
    writeContactBook(m_path, {{"三天後", born(3), "0933"},
                              {"今天", born(0), "0900"},
                              {"前天", born(-2), "0922"},
                              {"昨天已祝福", born(-1), "0911"},
                              {"十天後", born(10), "0910"}});
    {
        SendLog log(m_dir->filePath(SendLog::fileName()));
        const qint64 send = log.recordSend(QDateTime(today.addDays(-1), QTime(9, 0)), {"0911"},
                                           {"昨天已祝福"}, QStringLiteral("生日快樂"), {});
        log.recordAnswer(send, QStringLiteral("認證"), {}, false);
        const qint64 verify = log.recordVerify(QDateTime(today.addDays(-1), QTime(9, 1)));
        log.recordAnswer(verify, QStringLiteral("發送成功"), {}, false);
    }
    QCOMPARE(run({"upcoming", m_dir->path(), "5"}), 0);
    QStringList names;
    for (const QString& line : m_out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1))
        names << line.section(QLatin1Char('\t'), 3, 3) + line.section(QLatin1Char('\t'), 5, 5);
    QCOMPARE(names, (QStringList{"前天未祝福", "今天待祝福", "三天後"}));
    QCOMPARE(run({"upcoming", m_dir->path(), "tomorrow"}), 2);
}

void TestContactBookTool::badInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing") << QStringList{} << "usage:";
    QTest::newRow("unknown command") << QStringList{"drop", "FILE"} << "usage:";
    QTest::newRow("create without file") << QStringList{"create"} << "usage:";
    QTest::newRow("add too few") << QStringList{"add", "FILE", "王", "800305"} << "usage:";
    QTest::newRow("add too many") << QStringList{"add", "FILE", "王", "800305", "1", "2"}
                                  << "usage:";
    QTest::newRow("list too many") << QStringList{"list", "FILE", "x"} << "usage:";
    QTest::newRow("five digits") << QStringList{"add", "FILE", "王", "80035", "1"}
                                 << "selvanto-contacts: The birthday '80035' is not six digits";
    QTest::newRow("letters") << QStringList{"add", "FILE", "王", "80o305", "1"}
                             << "selvanto-contacts: The birthday '80o305' is not six digits";
    QTest::newRow("full-width digits")
        << QStringList{"add", "FILE", "王", "８００３０５", "1"} << "is not six digits";
    QTest::newRow("31 April") << QStringList{"add", "FILE", "王", "800431", "1"}
                              << "selvanto-contacts: The birthday '800431' is not a real day";
    QTest::newRow("month 13") << QStringList{"add", "FILE", "王", "801301", "1"}
                              << "is not a real day";
    QTest::newRow("long name") << QStringList{"add", "FILE", QString(21, QLatin1Char('n')),
                                              "800305", "1"}
                               << "longer than 20 characters";
    QTest::newRow("long mobile") << QStringList{"add", "FILE", "王", "800305",
                                                QString(16, QLatin1Char('9'))}
                                 << "longer than 15 characters";
    QTest::newRow("list missing book") << QStringList{"list", "FILE"} << "找不到通訊錄 ";
    QTest::newRow("import into a missing book")
        << QStringList{"import", "FILE", "friends.csv"} << "selvanto-contacts create ";
    QTest::newRow("unknown encoding")
        << QStringList{"import", "--encoding", "latin9", "FILE", "friends.csv"} << "usage:";
}

void TestContactBookTool::badInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QCOMPARE(run({"create", m_path}), 0);
    const QByteArray before = readBytes(m_path);
    for (QString& argument : arguments) {
        if (argument == QLatin1String("FILE"))
            argument =
                arguments.first() == QLatin1String("add") ? m_path : m_path + QStringLiteral(".x");
    }
    QCOMPARE(run(arguments), message == QLatin1String("usage:") ? 2 : 1);
    QVERIFY2(m_err.contains(message), qPrintable(m_err));
    QCOMPARE(readBytes(m_path), before);
}

void TestContactBookTool::createRefusesAnExistingFile()
{
    writeBytes(m_path, "my contacts");
    QCOMPARE(run({"create", m_path}), 1);
    QVERIFY2(m_err.contains(QStringLiteral("already exists")), qPrintable(m_err));
    QCOMPARE(readBytes(m_path), QByteArray("my contacts"));
}

void TestContactBookTool::helpPrintsTheUsage()
{
    QCOMPARE(run({"--help"}), 0);
    QVERIFY2(m_out.startsWith(QStringLiteral("usage: selvanto-contacts create FILE\n")),
             qPrintable(m_out));
    QCOMPARE(m_err, QString());
}

void TestContactBookTool::exportNeverOverwritesABook_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message");
    QTest::newRow("the book itself") << "BOOK"
                                     << "就是通訊錄本身";
    QTest::newRow("the book by another name") << "LINK"
                                              << "就是通訊錄本身";
    QTest::newRow("another book") << "other.mdb"
                                  << "是資料庫檔";
    QTest::newRow("another book named csv") << "other.csv"
                                            << "是資料庫檔";
    QTest::newRow("an Access book") << "old.mdb"
                                    << "是資料庫檔";
}

void TestContactBookTool::exportNeverOverwritesABook()
{
    QFETCH(QString, target);
    QFETCH(QString, message);
    QCOMPARE(run({"create", m_path}), 0);
    QCOMPARE(run({"add", m_path, "王小明", "800305", "0912345678"}), 0);
    const QString other = m_dir->filePath(QStringLiteral("other.mdb"));
    QCOMPARE(run({"create", other}), 0);
    QVERIFY(QFile::copy(other, m_dir->filePath(QStringLiteral("other.csv"))));
    QVERIFY(QFile::link(m_path, m_dir->filePath(QStringLiteral("LINK"))));
    writeBytes(m_dir->filePath(QStringLiteral("old.mdb")),
               readBytes(QStringLiteral(SELVANTO_TEST_DATA "/contact_jet4_access2000.mdb")));
    const QString path = target == QLatin1String("BOOK") ? m_path : m_dir->filePath(target);
    const QByteArray before = readBytes(path);

    QCOMPARE(run({"export", "--force", "--format", "csv", m_path, path}), 1);
    QVERIFY2(m_err.contains(message), qPrintable(m_err));
    QCOMPARE(readBytes(path), before);
    QCOMPARE(readContactBook(m_path).size(), 1);
}

void TestContactBookTool::exportReplacesAnotherFileOnlyWithForce()
{
    QCOMPARE(run({"create", m_path}), 0);
    QCOMPARE(run({"add", m_path, "王小明", "800305", "0912345678"}), 0);
    const QString csv = m_dir->filePath(QStringLiteral("backup.csv"));
    writeBytes(csv, "my own table\n");
    QCOMPARE(run({"export", m_path, csv}), 1);
    QVERIFY2(m_err.contains(QStringLiteral("--force")), qPrintable(m_err));
    QCOMPARE(readBytes(csv), QByteArray("my own table\n"));

    QCOMPARE(run({"export", "--force", m_path, csv}), 0);
    QCOMPARE(m_out, QStringLiteral("匯出 1 筆\n"));
    QVERIFY(readBytes(csv).contains("王小明,800305,0912345678"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
             QStringList({"backup.csv", "contact.mdb"}));
}

// The build leaves an empty contact book beside the program, and the tool
// itself exits with 2 on a command line it does not understand.
void TestContactBookTool::buildMadeAnEmptyContactBook()
{
    const QString buildDir = QCoreApplication::applicationDirPath() + QStringLiteral("/..");
    QProcess tool;
    tool.start(buildDir + QStringLiteral("/selvanto-contacts"),
               {"list", buildDir + "/contact.mdb"});
    QVERIFY(tool.waitForFinished(10000));
    QCOMPARE(tool.exitCode(), 0);
    tool.start(buildDir + QStringLiteral("/selvanto-contacts"), {"add", m_path});
    QVERIFY(tool.waitForFinished(10000));
    QCOMPARE(tool.exitCode(), 2);
    QVERIFY(tool.readAllStandardError().contains("usage:"));
    // Asked for, the usage and the version are no error.
    for (const char* option : {"--help", "--version"}) {
        tool.start(buildDir + QStringLiteral("/selvanto-contacts"), {option});
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY(tool.readAllStandardOutput().startsWith(
            option == QByteArrayView("--help") ? "usage:" : "selvanto-contacts "));
    }
}

QTEST_GUILESS_MAIN(TestContactBookTool)
#include "test_contactbooktool.moc"
