#include "ContactBookFiles.h"
#include "ContactBookTool.h"
#include "TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

// Import and export through the command line, against files written like
// the exports of phones, address books and spreadsheets.
class TestContactImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void importsRealExports_data();
    void importsRealExports();
    void exportThenImportGivesTheSameRows_data();
    void exportThenImportGivesTheSameRows();
    void duplicatesOfTheBookAndReportsPerRow();
    void westernCodePageOnlyWhenAskedFor();
    void datesWhoseOrderTheFileLeavesOpen();
    void quotesInsideAnUnquotedCell();
    void jet3ColumnNamesInBig5UnderAWesternCodePage();
    void badInputChangesNothing_data();
    void badInputChangesNothing();
    void lockedBookChangesNothing();
    void failurePartWayChangesNothing();

private:
    int run(const QStringList& arguments);
    QString writeFile(const QString& name, const QByteArray& bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_book;
    QString m_out;
    QString m_err;
};

namespace {

const QVariant null;

ContactRow row(const QVariant& name, const QVariant& birthday, const QVariant& mobile)
{
    return {name, birthday, mobile};
}

QString data(const QString& name)
{
    return QStringLiteral(SELVANTO_TEST_DATA "/contacts/") + name;
}

} // namespace

void TestContactImport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_book = m_dir->filePath(QStringLiteral("contact.mdb"));
}

int TestContactImport::run(const QStringList& arguments)
{
    m_out.clear();
    m_err.clear();
    QTextStream out(&m_out);
    QTextStream err(&m_err);
    return runContactBookTool(arguments, out, err);
}

QString TestContactImport::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir->filePath(name);
    writeBytes(path, bytes);
    return path;
}

void TestContactImport::importsRealExports_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<ContactRow>>("rows");
    QTest::addColumn<QString>("summary");

    QTest::newRow("Android 2.1, quoted-printable")
        << "android-2.1.vcf"
        << QList<ContactRow>{row("王小明", "850305", "0912-345-678"),
                             row("歐陽娜娜", null, "+886912345678")}
        << "匯入 2 筆，略過 0 筆（vCard，UTF-8）";
    QTest::newRow("iPhone 3.0, groups and folding")
        << "iphone-3.0.vcf"
        << QList<ContactRow>{row("Amy Chen, Taipei", "991231", "0911-222-333"),
                             row("林美麗", null, "0928000111")}
        << "匯入 2 筆，略過 0 筆（vCard，UTF-8）";
    QTest::newRow("Outlook 2.1") << "outlook-2.1.vcf"
                                 << QList<ContactRow>{row("陳大華", "771231", "0933222111"),
                                                      row("John Smith", null, "0955666777")}
                                 << "匯入 2 筆，略過 0 筆（vCard，UTF-8）";
    QTest::newRow("Google 3.0, no year, bad day, no name")
        << "google-3.0.vcf"
        << QList<ContactRow>{row("張志豪", "000229", "0955666777"),
                             row("許功蓋", null, "0933222111")}
        << "匯入 2 筆，略過 1 筆：無效 1（vCard，UTF-8）";
    QTest::newRow("Thunderbird 4.0") << "thunderbird-4.0.vcf"
                                     << QList<ContactRow>{row("李淑芬", "001120", "0922-111-000"),
                                                          row("蔡🎂依林", "000229", "0987654321")}
                                     << "匯入 2 筆，略過 0 筆（vCard，UTF-8）";
    QTest::newRow("Big5 phone 2.1") << "phone-big5-2.1.vcf"
                                    << QList<ContactRow>{row("許功蓋", null, "0933222111"),
                                                         row("黃俊傑", "910704", "0977888999")}
                                    << "匯入 2 筆，略過 0 筆（vCard，UTF-8）";
    QTest::newRow("Google CSV") << "google.csv"
                                << QList<ContactRow>{row("王小明", "850305", "0912-345-678"),
                                                     row("Amy Chen", "001231", "0911222333")}
                                << "匯入 2 筆，略過 0 筆（CSV，UTF-8，逗號分隔）";
    QTest::newRow("Outlook CSV in Big5")
        << "outlook-big5.csv"
        << QList<ContactRow>{row("陳大華", "771231", "0933-222-111"),
                             row("John Smith", "000229", "0955666777")}
        << "匯入 2 筆，略過 1 筆：無效 1（CSV，Big5，逗號分隔）";
    QTest::newRow("spreadsheet with a BOM")
        << "excel-bom.csv"
        << QList<ContactRow>{row("林美麗", "900101", "0928000111"),
                             row("Lee, Ann", null, "0900000001")}
        << "匯入 2 筆，略過 1 筆：重複 1（CSV，UTF-8，逗號分隔）";
    QTest::newRow("CSV without a header")
        << "noheader.csv"
        << QList<ContactRow>{row("歐陽娜娜", "011120", "+886912345678"),
                             row("Amy \"A\" 陳", null, null)}
        << "匯入 2 筆，略過 0 筆（CSV，UTF-8，逗號分隔）";
    QTest::newRow("Excel, European: semicolons, day first")
        << "excel-semicolon.csv"
        << QList<ContactRow>{row("Anna Schmidt", "901225", "+49 170 1234567"),
                             row("王小明", "850305", "0912345678"),
                             row("Jean Martin", null, "06 12 34 56 78")}
        << "匯入 3 筆，略過 0 筆（CSV，UTF-8，分號分隔）";
    QTest::newRow("Excel Unicode text: UTF-16, tabs")
        << "excel-unicode-text.csv"
        << QList<ContactRow>{row("王小明", "850305", "0912345678"),
                             row("陳\t大文", null, "0922333444")}
        << "匯入 2 筆，略過 0 筆（CSV，UTF-16，Tab 分隔）";
    QTest::newRow("vCard with a UTF-8 byte-order mark")
        << "bom-utf8-3.0.vcf" << QList<ContactRow>{row("王小明", "850305", "0912345678")}
        << "匯入 1 筆，略過 0 筆（vCard，UTF-8）";
    QTest::newRow("Big5 vCard without CHARSET")
        << "big5-nocharset-2.1.vcf"
        << QList<ContactRow>{row("王小明", null, "0912345678"),
                             row("林美麗", "900101", "0928000111")}
        << "匯入 2 筆，略過 0 筆（vCard，Big5）";
    QTest::newRow("Outlook 2.1 with an unindented base64 photo")
        << "outlook-photo-2.1.vcf" << QList<ContactRow>{row("陳大文", "910704", "0933222111")}
        << "匯入 1 筆，略過 0 筆（vCard，UTF-8）";
    QTest::newRow("vCard mailed twice: CR CR LF, blank lines")
        << "mailed-crcrlf-3.0.vcf"
        << QList<ContactRow>{row("Alexandra Konstantinopoulou-Papadopoulou", null,
                                 "+30 697 1234567")}
        << "匯入 1 筆，略過 0 筆（vCard，UTF-8）";
}

void TestContactImport::importsRealExports()
{
    QFETCH(QString, file);
    QFETCH(QList<ContactRow>, rows);
    QFETCH(QString, summary);
    writeContactBook(m_book, {});
    QCOMPARE(run({"import", "--dry-run", m_book, data(file)}), 0);
    QCOMPARE(readContactBook(m_book), QList<ContactRow>{});
    QVERIFY2(m_out.contains(summary + "（試算"), qPrintable(m_out));

    QCOMPARE(run({"import", m_book, data(file)}), 0);
    QCOMPARE(m_out.trimmed().section('\n', -1), summary);
    QCOMPARE(readContactBook(m_book), rows);
}

void TestContactImport::exportThenImportGivesTheSameRows_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("vCard") << "out.vcf";
    QTest::newRow("CSV") << "out.csv";
}

void TestContactImport::exportThenImportGivesTheSameRows()
{
    QFETCH(QString, file);
    const QList<ContactRow> rows = {
        row("王小明", "850305", "0912345678"),
        row("Null 生日", null, "0911"),
        row("空白", "", ""),
        row(null, "000229", "0922"),
        row("a,b;c\\d \"q\"", "991231", " 09 "),
        row("蔡🎂依林", "011120", "+886912345678"),
        row(QString(30, QChar(0x5F35)), "771231", QString(20, QLatin1Char('9'))),
        row("=1+1", null, "+886912345678"),
        row("'引號", null, "=cmd|' /c calc'!A0"),
        row("''兩個", null, "-"),
    };
    writeContactBook(m_book, rows);
    const QString path = m_dir->filePath(file);
    QCOMPARE(run({"export", m_book, path}), 0);
    QCOMPARE(m_out, QStringLiteral("匯出 10 筆\n"));

    const QString copy = m_dir->filePath(QStringLiteral("copy.mdb"));
    writeContactBook(copy, {});
    QCOMPARE(run({"import", copy, path}), 0);
    QCOMPARE(readContactBook(copy), rows);
    // The long name and number are imported whole and reported.
    QVERIFY(m_out.contains("超過 20 個字"));
    QVERIFY(m_out.contains("超過 15 個字"));
    if (file.endsWith(".csv")) {
        const QByteArray bytes = readBytes(path);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF姓名,生日,手機號碼\r\n"));
        // What a spreadsheet would run as a formula gets an apostrophe; a
        // phone number stays as it is.
        QVERIFY(bytes.contains("\r\n'=1+1,,+886912345678\r\n"));
        QVERIFY(bytes.contains("\r\n''引號,,'=cmd|' /c calc'!A0\r\n"));
        QVERIFY(bytes.contains("\r\n'''兩個,,-\r\n"));
    }
}

void TestContactImport::duplicatesOfTheBookAndReportsPerRow()
{
    writeContactBook(m_book, {row("王小明", "850305", "0912345678")});
    const QString csv = writeFile("in.csv", "姓名,生日,手機號碼\n"
                                            "王小明,850305,0912345678\n"
                                            "新朋友,,0900\n"
                                            ",19850305,\n");
    QCOMPARE(run({"import", m_book, csv}), 0);
    QCOMPARE(m_out,
             QStringLiteral("第 2 行 略過：重複 (王小明, 850305, 0912345678)\n"
                            "第 4 行 略過：無效，沒有姓名也沒有手機號碼 (, 19850305, )\n"
                            "匯入 1 筆，略過 2 筆：重複 1、無效 1（CSV，UTF-8，逗號分隔）\n"));
    QCOMPARE(readContactBook(m_book), (QList<ContactRow>{row("王小明", "850305", "0912345678"),
                                                         row("新朋友", null, "0900")}));
    // Everything already there: nothing imported is a failure.
    QCOMPARE(run({"import", m_book, csv}), 1);
}

// Windows-1252 bytes also read as Big5 ("Fran蔞is"): the import does not
// guess, it names the candidates and the option that settles it.
void TestContactImport::westernCodePageOnlyWhenAskedFor()
{
    writeContactBook(m_book, {});
    const QByteArray before = readBytes(m_book);
    QCOMPARE(run({"import", m_book, data("excel-cp1252.csv")}), 1);
    QVERIFY2(m_err.contains("可能是 Big5 或 Windows-1252") &&
                 m_err.contains("--encoding utf-8|big5|cp1252|utf-16"),
             qPrintable(m_err));
    QCOMPARE(readBytes(m_book), before);

    QCOMPARE(run({"import", "--encoding", "cp1252", m_book, data("excel-cp1252.csv")}), 0);
    QCOMPARE(m_out, QStringLiteral("匯入 2 筆，略過 0 筆（CSV，Windows-1252，逗號分隔）\n"));
    // 12/25/1990 makes the file's dates month first.
    QCOMPARE(readContactBook(m_book),
             (QList<ContactRow>{row("François Dupont", "850305", "0612345678"),
                                row("Jürgen Müller", "901225", "01701234567")}));
}

void TestContactImport::datesWhoseOrderTheFileLeavesOpen()
{
    writeContactBook(m_book, {});
    const QString csv = writeFile("in.csv", "姓名,生日\n甲,03/05/1985\n乙,04/04/1986\n");
    QCOMPARE(run({"import", m_book, csv}), 0);
    QCOMPARE(m_out, QStringLiteral("第 2 行：生日「03/05/1985」看不出是日/月/年還是月/日/年，"
                                   "匯入為空白\n"
                                   "匯入 2 筆，略過 0 筆（CSV，UTF-8，逗號分隔）\n"));
    QCOMPARE(readContactBook(m_book),
             (QList<ContactRow>{row("甲", null, null), row("乙", "860404", null)}));
}

// As spreadsheets read them: text, not the start of a quoted cell.
void TestContactImport::quotesInsideAnUnquotedCell()
{
    writeContactBook(m_book, {});
    const QString csv = writeFile("in.csv", "0Amy \"\"A\"\" 陳\",,0911\n");
    QCOMPARE(run({"import", m_book, csv}), 0);
    QCOMPARE(readContactBook(m_book), QList<ContactRow>{row("0Amy \"\"A\"\" 陳\"", null, "0911")});
}

// An Access 97 book made on a Chinese system whose header names Windows-1252
// (the fixture's code page patched from 950): its column names are Big5 as
// its rows are.
void TestContactImport::jet3ColumnNamesInBig5UnderAWesternCodePage()
{
    const QString original = QStringLiteral(SELVANTO_TEST_DATA "/contact_jet3_access97_cp950.mdb");
    const QString western =
        QStringLiteral(SELVANTO_TEST_DATA "/contact_jet3_access97_big5_declared1252.mdb");
    writeContactBook(m_book, {});
    QCOMPARE(run({"import", m_book, original}), 0);
    const QList<ContactRow> rows = readContactBook(m_book);
    QCOMPARE(rows.value(0), row("王小明", "850305", "0912345678"));

    const QString copy = m_dir->filePath(QStringLiteral("copy.mdb"));
    writeContactBook(copy, {});
    QCOMPARE(run({"import", copy, western}), 0);
    QCOMPARE(readContactBook(copy), rows);
}

void TestContactImport::badInputChangesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << "a.csv" << QByteArray() << "檔案裡沒有聯絡人";
    QTest::newRow("header only") << "header-only.csv" << QByteArray() << "檔案裡沒有聯絡人";
    QTest::newRow("garbage vCard") << "a.vcf" << QByteArray("\x01\x02garbage\xff\n", 12) << "vCard";
    QTest::newRow("vCard without END")
        << "a.vcf" << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\n") << "沒有 END:VCARD";
    QTest::newRow("vCard with invalid UTF-8")
        << "a.vcf" << QByteArray("BEGIN:VCARD\r\nFN:\xe7\x8e\r\nEND:VCARD\r\n")
        << "無法確定檔案的編碼：它不是 UTF-8，可能是 Windows-1252。請用 --encoding";
    QTest::newRow("vCard with invalid Big5")
        << "a.vcf" << QByteArray("BEGIN:VCARD\r\nFN;CHARSET=BIG5:\xa4\r\nEND:VCARD\r\n")
        << "不是有效的 BIG5";
    QTest::newRow("CSV neither UTF-8 nor Big5") << "a.csv" << QByteArray("name\n\xff\x81\x80\n")
                                                << "不是 UTF-8，也不像 Big5 或 Windows-1252";
    QTest::newRow("truncated CSV")
        << "a.csv" << QByteArray("姓名,生日\n\"王小明,8503") << "引號沒有結束";
    QTest::newRow("not an Access file") << "a.mdb" << QByteArray(4096, 'x') << "不是 Access";
    QTest::newRow("huge, all NUL") << "a.csv" << QByteArray() << "不是 UTF-8";
    QTest::newRow("a row of a million commas")
        << "a.csv" << QByteArray(1 << 20, ',') << "超過 4096 欄";
    QTest::newRow("a vCard line folded a million times")
        << "a.vcf" << QByteArray("BEGIN:VCARD\r\nFN") + QByteArray("\r\n x").repeated(1 << 20)
        << "vCard 第 2 行太長";
}

void TestContactImport::badInputChangesNothing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    writeContactBook(m_book, {row("王小明", "850305", "0912345678")});
    const QByteArray before = readBytes(m_book);
    const QString path =
        name == QLatin1String("header-only.csv") ? data(name) : writeFile(name, bytes);
    if (QByteArray(QTest::currentDataTag()) == "huge, all NUL") {
        // A sparse file: large on paper, no disk used.
        QFile huge(path);
        QVERIFY(huge.resize(qint64(1) << 30));
    }
    QCOMPARE(run({"import", m_book, path}), 1);
    QVERIFY2(m_err.contains(message), qPrintable(m_err));
    QCOMPARE(readBytes(m_book), before);
}

void TestContactImport::lockedBookChangesNothing()
{
    writeContactBook(m_book, {});
    const QByteArray before = readBytes(m_book);
    {
        ContactBookLock lock(m_book);
        QCOMPARE(run({"import", m_book, data("google.csv")}), 1);
        QVERIFY2(m_err.contains("locked"), qPrintable(m_err));
    }
    QCOMPARE(readBytes(m_book), before);
}

void TestContactImport::failurePartWayChangesNothing()
{
    writeContactBook(m_book, {row("甲", "800101", "0911")});
    execOnContactBook(m_book,
                      {"CREATE TRIGGER refuse BEFORE INSERT ON contact "
                       "WHEN NEW.\"姓名\" = '丙' BEGIN SELECT RAISE(ABORT, 'refused'); END"});
    const QString csv = writeFile("in.csv", "乙,,0922\n丙,,0933\n");
    QCOMPARE(run({"import", m_book, csv}), 1);
    QVERIFY2(m_err.contains("refused"), qPrintable(m_err));
    QCOMPARE(readContactBook(m_book), QList<ContactRow>{row("甲", "800101", "0911")});
}

QTEST_GUILESS_MAIN(TestContactImport)
#include "test_contactimport.moc"
