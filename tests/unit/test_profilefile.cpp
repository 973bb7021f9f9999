#include "AnsiText.h"
#include "Failure.h"
#include "FileSizeLimit.h"
#include "ProfileFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QByteArray big5(const QString& text)
{
    return ansi::encode(text);
}

const QString account = QStringLiteral("account");

} // namespace

class TestProfileFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void reading_data();
    void reading();
    void readingMissingFile();
    void byteOrderMarkFile();
    void longValueAndManyKeys();
    void hugeSectionInOnePass();

    void writing_data();
    void writing();
    void valuesReadBackAsWritten_data();
    void valuesReadBackAsWritten();
    void refusedNamesAndValues_data();
    void refusedNamesAndValues();
    void ownerOnlyPermissions();

    void readOnlyFolderKeepsOldFile();
    void refusedWriteKeepsOldFile();
    void unreadableFileIsNotOverwritten();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("account.ini")); }
    QStringList folderEntries() const
    {
        return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProfileFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestProfileFile::reading_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("keys");

    QTest::newRow("file order") << QByteArray("[account]\r\nb=2\r\na=1\r\n") << "a"
                                << "1" << QStringList{"b", "a"};
    QTest::newRow("case of section and key") << QByteArray("[ACCOUNT]\r\nUser=pw\r\n") << "uSER"
                                             << "pw" << QStringList{"User"};
    QTest::newRow("white space") << QByteArray("  [ account ] \t\r\n\t user \t=\t pw x \t\r\n")
                                 << "user"
                                 << "pw x" << QStringList{"user"};
    QTest::newRow("double quotes") << QByteArray("[account]\r\nk=\"abc\"\r\n") << "k"
                                   << "abc" << QStringList{"k"};
    QTest::newRow("single quotes") << QByteArray("[account]\r\nk='a b'\r\n") << "k"
                                   << "a b" << QStringList{"k"};
    QTest::newRow("one pair only") << QByteArray("[account]\r\nk=\"\"abc\"\"\r\n") << "k"
                                   << "\"abc\"" << QStringList{"k"};
    QTest::newRow("unmatched quotes") << QByteArray("[account]\r\nk=\"abc'\r\n") << "k"
                                      << "\"abc'" << QStringList{"k"};
    QTest::newRow("a lone quote") << QByteArray("[account]\r\nk=\"\r\n") << "k"
                                  << "\"" << QStringList{"k"};
    QTest::newRow("listing keeps quotes of keys")
        << QByteArray("[account]\r\n\"q\"=1\r\n") << "\"q\""
        << "1" << QStringList{"\"q\""};
    QTest::newRow("comments") << QByteArray("[account]\r\n;k=1\r\n  ;x=2\r\nk=3\r\n") << "k"
                              << "3" << QStringList{"k"};
    QTest::newRow("odd lines")
        << QByteArray("stray=0\r\n[account]\r\njunk line\r\n[unclosed\r\nk=1\r\n\x1a\r\n") << "k"
        << "1" << QStringList{"k"};
    QTest::newRow("lone CR and LF end lines") << QByteArray("[account]\rk=1\ny=2\n\rz=3") << "z"
                                              << "3" << QStringList{"k", "y", "z"};
    QTest::newRow("first duplicate key wins") << QByteArray("[account]\r\nk=1\r\nK=2\r\n") << "k"
                                              << "1" << QStringList{"k"};
    QTest::newRow("first duplicate section wins")
        << QByteArray("[account]\r\nk=1\r\n[Account]\r\nk=3\r\nz=4\r\n") << "z"
        << "" << QStringList{"k"};
    QTest::newRow("entries before any section") << QByteArray("k=0\r\n[account]\r\n") << "k"
                                                << "" << QStringList{};
    QTest::newRow("missing key") << QByteArray("[account]\r\nk=1\r\n") << "other"
                                 << "" << QStringList{"k"};
    QTest::newRow("missing section") << QByteArray("[other]\r\nk=1\r\n") << "k"
                                     << "" << QStringList{};
    QTest::newRow("empty key") << QByteArray("[account]\r\n=pw\r\n") << ""
                               << "pw" << QStringList{""};
    QTest::newRow("empty value") << QByteArray("[account]\r\nk=\r\n") << "k"
                                 << "" << QStringList{"k"};
    QTest::newRow("equals sign in the value") << QByteArray("[account]\r\nk=a=b\r\n") << "k"
                                              << "a=b" << QStringList{"k"};
    QTest::newRow("Big5 names") << big5(QStringLiteral("[account]\r\n使用者=密碼\r\n認證碼=1\r\n"))
                                << QStringLiteral("認證碼") << "1"
                                << QStringList{QStringLiteral("使用者"), QStringLiteral("認證碼")};
    QTest::newRow("full-width space is not a blank")
        << big5(QStringLiteral("[account]\r\n　k=　v　\r\n")) << QStringLiteral("　k")
        << QStringLiteral("　v　") << QStringList{QStringLiteral("　k")};
}

void TestProfileFile::reading()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QStringList, keys);

    writeBytes(path(), file);
    const ProfileFile profile(path());
    QCOMPARE(profile.readString(account, key), value);
    QCOMPARE(profile.readSection(account), keys);
    // The whole section at once reads as key by key.
    const QList<std::pair<QString, QString>> entries = profile.readEntries(account);
    QCOMPARE(entries.size(), keys.size());
    for (qsizetype i = 0; i < keys.size(); ++i) {
        QCOMPARE(entries[i].first, keys[i]);
        QCOMPARE(entries[i].second, profile.readString(account, keys[i]));
    }
}

void TestProfileFile::readingMissingFile()
{
    const ProfileFile profile(path());
    QCOMPARE(profile.readSection(account), QStringList());
    QCOMPARE(profile.readString(account, QStringLiteral("k")), QString());
    QVERIFY(!QFile::exists(path()));
}

// Nothing is cut: a long value must come back whole, or the write-back at
// start-up would store it cut.
void TestProfileFile::longValueAndManyKeys()
{
    const QString longValue(100000, QLatin1Char('v'));
    QByteArray file = "[account]\r\nlong=" + longValue.toLatin1() + "\r\n";
    QStringList keys{QStringLiteral("long")};
    for (int i = 0; i < 3000; ++i) {
        keys << QStringLiteral("key%1").arg(i);
        file += keys.back().toLatin1() + "=x\r\n";
    }
    writeBytes(path(), file);

    const ProfileFile profile(path());
    QCOMPARE(profile.readString(account, QStringLiteral("long")), longValue);
    QCOMPARE(profile.readSection(account), keys);

    profile.writeString(account, QStringLiteral("long"), longValue + QLatin1Char('w'));
    QCOMPARE(profile.readString(account, QStringLiteral("long")), longValue + QLatin1Char('w'));
    QCOMPARE(profile.readSection(account), keys);
}

// A section of 200,000 keys, duplicates among them, is read in one pass;
// comparing every key with every other one would take hours.
void TestProfileFile::hugeSectionInOnePass()
{
    constexpr int count = 200000;
    QByteArray file = "[account]\r\n";
    for (int i = 0; i < count; ++i)
        file += "key" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\r\n";
    file += "KEY7=again\r\n";
    writeBytes(path(), file);

    QElapsedTimer timer;
    timer.start();
    const QList<std::pair<QString, QString>> entries = ProfileFile(path()).readEntries(account);
    QVERIFY2(timer.elapsed() < 30000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(entries.size(), count);
    QCOMPARE(entries[7], std::pair(QStringLiteral("key7"), QStringLiteral("7")));
    QCOMPARE(entries.back(),
             std::pair(QStringLiteral("key%1").arg(count - 1), QString::number(count - 1)));
}

void TestProfileFile::writing_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("create the file") << QByteArray() << account << "user"
                                     << "pw" << QByteArray("[account]\r\nuser=pw\r\n");
    const QByteArray handEdited = "; saved by hand\n"
                                  "\r\n"
                                  "[other]\r\n"
                                  "user=elsewhere   \r\n"
                                  "[Account] \r\n"
                                  "  User = old  \r\n"
                                  "odd line\r"
                                  "\x81\x30=bad bytes\n"
                                  "\r\n"
                                  "[last]\r\n"
                                  "x=1";
    QTest::newRow("replace in place, other lines untouched") << handEdited << account << "user"
                                                             << "new"
                                                             << QByteArray("; saved by hand\n"
                                                                           "\r\n"
                                                                           "[other]\r\n"
                                                                           "user=elsewhere   \r\n"
                                                                           "[Account] \r\n"
                                                                           "user=new\r\n"
                                                                           "odd line\r"
                                                                           "\x81\x30=bad bytes\n"
                                                                           "\r\n"
                                                                           "[last]\r\n"
                                                                           "x=1");
    QTest::newRow("append at the end of the section, before blank lines")
        << handEdited << account << "code"
        << "1"
        << QByteArray("; saved by hand\n"
                      "\r\n"
                      "[other]\r\n"
                      "user=elsewhere   \r\n"
                      "[Account] \r\n"
                      "  User = old  \r\n"
                      "odd line\r"
                      "\x81\x30=bad bytes\n"
                      "code=1\r\n"
                      "\r\n"
                      "[last]\r\n"
                      "x=1");
    QTest::newRow("append to the last section without a final line break")
        << handEdited << "last"
        << "y"
        << "2" << handEdited + "\r\ny=2\r\n";
    QTest::newRow("append the section to the file") << handEdited << "new"
                                                    << "k"
                                                    << "v" << handEdited + "\r\n[new]\r\nk=v\r\n";
    QTest::newRow("append to an empty section") << QByteArray("[account]\r\n") << account << "k"
                                                << "v" << QByteArray("[account]\r\nk=v\r\n");
    QTest::newRow("replace the first of duplicate keys")
        << QByteArray("[account]\r\nk=1\r\nk=2\r\n") << account << "K"
        << "3" << QByteArray("[account]\r\nK=3\r\nk=2\r\n");
    QTest::newRow("empty key and value") << QByteArray("[account]\r\nk=1\r\n") << account << ""
                                         << "" << QByteArray("[account]\r\nk=1\r\n=\r\n");
    QTest::newRow("Big5") << QByteArray() << account << QStringLiteral("認證碼")
                          << QStringLiteral("今天")
                          << big5(QStringLiteral("[account]\r\n認證碼=今天\r\n"));
    QTest::newRow("quoted value gets one more pair")
        << QByteArray() << account << "k"
        << "'abc'" << QByteArray("[account]\r\nk=\"'abc'\"\r\n");
}

void TestProfileFile::writing()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    if (!before.isNull())
        writeBytes(path(), before);
    const ProfileFile profile(path());
    profile.writeString(section, key, value);
    QCOMPARE(readBytes(path()), after);
    QCOMPARE(profile.readString(section, key), value);
    QCOMPARE(folderEntries(), QStringList{QStringLiteral("account.ini")});
}

void TestProfileFile::valuesReadBackAsWritten_data()
{
    QTest::addColumn<QString>("value");
    for (const char* value : {"'abc'", "\"abc\"", "\"\"", "''", "\"", "'", "a\"b", "\"a'", " lead",
                              "trail\t", " both ", "x=y", ";not a comment", "[not a section]"})
        QTest::newRow(value) << QString::fromLatin1(value);
    QTest::newRow("Big5") << QStringLiteral("「密碼」");
}

// A value that reading would change is stored so that reading it back, here
// or by the Windows profile functions, gives exactly what was written.
void TestProfileFile::valuesReadBackAsWritten()
{
    QFETCH(QString, value);
    const ProfileFile profile(path());
    profile.writeString(account, QStringLiteral("k"), value);
    QCOMPARE(profile.readString(account, QStringLiteral("k")), value);
    profile.writeString(account, QStringLiteral("k"), value);
    QCOMPARE(profile.readString(account, QStringLiteral("k")), value);
}

void TestProfileFile::refusedNamesAndValues_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("error");

    const QString lineBreak = QStringLiteral("名稱或內容含有換行字元");
    QTest::newRow("CR LF in the value") << account << "k"
                                        << "a\r\nb" << lineBreak;
    QTest::newRow("LF in the value") << account << "k"
                                     << "a\nb" << lineBreak;
    QTest::newRow("CR in the key") << account << "a\rb"
                                   << "v" << lineBreak;
    QTest::newRow("line break in the section") << "a\nb"
                                               << "k"
                                               << "v" << lineBreak;
    QTest::newRow("equals sign in the key") << account << "a=b"
                                            << "v" << QStringLiteral("名稱「a=b」");
    QTest::newRow("key beginning with [") << account << "[a"
                                          << "v" << QStringLiteral("名稱「[a」");
    QTest::newRow("key beginning with ;") << account << ";a"
                                          << "v" << QStringLiteral("名稱「;a」");
    QTest::newRow("key with blanks around it") << account << " a"
                                               << "v" << QStringLiteral("名稱「 a」");
    QTest::newRow("emoji in the value") << account << "k" << QStringLiteral("ab😀")
                                        << QStringLiteral("字元「😀」(U+1F600)無法以 Big5 編碼儲存");
    QTest::newRow("accent in the key") << account << QStringLiteral("é") << "v"
                                       << QStringLiteral("字元「é」(U+00E9)無法以 Big5 編碼儲存");
}

// A refused write leaves the file exactly as it was.
void TestProfileFile::refusedNamesAndValues()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, error);

    const QByteArray before = "[account]\r\nk=old\r\n";
    writeBytes(path(), before);
    const ProfileFile profile(path());
    try {
        profile.writeString(section, key, value);
        QFAIL("the write was not refused");
    } catch (const Failure& failure) {
        QVERIFY2(failure.text().startsWith(QStringLiteral("無法寫入 ") + path()),
                 qPrintable(failure.text()));
        QVERIFY2(failure.text().contains(error), qPrintable(failure.text()));
    }
    QCOMPARE(readBytes(path()), before);
}

void TestProfileFile::ownerOnlyPermissions()
{
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto mask = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                      QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                      QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    const ProfileFile profile(path(), AtomicFile::Access::OwnerOnly);
    profile.writeString(account, QStringLiteral("k"), QStringLiteral("v"));
    QCOMPARE(QFile::permissions(path()) & mask, ownerOnly);

    // A file that others could read is made owner-only by the next write.
    QFile::setPermissions(path(), ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    profile.writeString(account, QStringLiteral("k"), QStringLiteral("w"));
    QCOMPARE(QFile::permissions(path()) & mask, ownerOnly);
}

void TestProfileFile::readOnlyFolderKeepsOldFile()
{
    if (!folderPermissionsStopWrites())
        QSKIP("folder permissions do not stop this user (root); refusedWriteKeepsOldFile makes "
              "the system refuse the write instead");
    const QByteArray before = "; kept\r\n[account]\r\nk=old\r\n";
    writeBytes(path(), before);
    QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const ProfileFile profile(path());
    QVERIFY_THROWS_EXCEPTION(
        Failure, profile.writeString(account, QStringLiteral("k"), QStringLiteral("new")));
    try {
        profile.writeString(account, QStringLiteral("k"), QStringLiteral("new"));
    } catch (const Failure& failure) {
        QCOMPARE(failure.text(), QStringLiteral("Unable to write to ") + path());
    }
    QFile::setPermissions(m_dir->path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(readBytes(path()), before);
    QCOMPARE(folderEntries(), QStringList{QStringLiteral("account.ini")});
}

void TestProfileFile::refusedWriteKeepsOldFile()
{
    const QByteArray before = "; kept\r\n[account]\r\nk=old\r\n";
    writeBytes(path(), before);
    const ProfileFile profile(path());
    QString error;
    {
        const FileSizeLimit limit(before.size());
        try {
            profile.writeString(account, QStringLiteral("k"), QString(5000, QLatin1Char('n')));
        } catch (const Failure& failure) {
            error = failure.text();
        }
    }
    QCOMPARE(firstLine(error), QStringLiteral("Unable to write to ") + path());
    QCOMPARE(readBytes(path()), before);
    QCOMPARE(folderEntries(), QStringList{QStringLiteral("account.ini")});
}

// Taken for an empty file, an unreadable one would be replaced by the one
// entry written.
void TestProfileFile::unreadableFileIsNotOverwritten()
{
    if (!folderPermissionsStopWrites())
        QSKIP("file permissions do not stop this user (root) from reading");
    const QByteArray before = "[account]\r\nk=old\r\nother=1\r\n";
    writeBytes(path(), before);
    QFile::setPermissions(path(), QFileDevice::WriteOwner);
    const ProfileFile profile(path());
    QCOMPARE(profile.readString(account, QStringLiteral("k")), QString());
    try {
        profile.writeString(account, QStringLiteral("k"), QStringLiteral("new"));
        QFAIL("written");
    } catch (const Failure& failure) {
        QCOMPARE(failure.text(), QStringLiteral("Unable to write to ") + path());
    }
    QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(readBytes(path()), before);
}

// A file an editor saved as Unicode is read in that form and reported; a
// write stores it in the code page, without the mark, nothing lost.
void TestProfileFile::byteOrderMarkFile()
{
    const QString text = QStringLiteral("[account]\r\n甲=1\r\n認證碼=2\r\n");
    for (const QByteArray& bytes :
         {QByteArray("\xEF\xBB\xBF") + text.toUtf8(),
          QByteArray("\xFF\xFE") +
              QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2)}) {
        writeBytes(path(), bytes);
        const ProfileFile file(path());
        QVERIFY(!file.formatProblem().isEmpty());
        QCOMPARE(file.readString(QStringLiteral("account"), QStringLiteral("甲")),
                 QStringLiteral("1"));
        file.writeString(QStringLiteral("account"), QStringLiteral("乙"), QStringLiteral("3"));
        QCOMPARE(readBytes(path()), ansi::encode(text + QStringLiteral("乙=3\r\n")));
        QCOMPARE(file.formatProblem(), QString());
    }
    writeBytes(path(), "[account]\r\nx=\x81\x20\r\n");
    QVERIFY(!ProfileFile(path()).formatProblem().isEmpty());
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "test_profilefile.moc"
