#include "AccountFile.h"
#include "AnsiText.h"
#include "Failure.h"
#include "FileSizeLimit.h"
#include "MessageFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace {

QByteArray big5(const QString& text)
{
    return ansi::encode(text);
}

using Entries = QList<std::pair<QString, QString>>;

} // namespace

class TestSavedFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void trimming_data();
    void trimming();
    void accountSaveWritesTrimmedEntries_data();
    void accountSaveWritesTrimmedEntries();
    void accountLoad_data();
    void accountLoad();
    void accountLoadWithoutFile();
    void accountSaveKeepsOtherAccounts();
    void accountNameTheFileCannotHold_data();
    void accountNameTheFileCannotHold();
    void accountRefusedWrite();
    void accountForget();
    void accountIsOwnerOnly();
    void accountNotWrittenIntoAnotherUsersFile();
    void anotherUsersLinkNotFollowed();
    void readOnlyFileKept();

    void messageDecoding_data();
    void messageDecoding();
    void messageSaveIsExact_data();
    void messageSaveIsExact();
    void messageLoadWithoutFile();
    void messageUnencodableCharacter();
    void messageCannotCreate();
    void messageWriteError();
    void messageCannotOpen();

private:
    QString accountPath() const { return account::filePath(m_exeDir); }
    QString messagePath() const { return message::filePath(m_exeDir); }
    QStringList folderEntries() const
    {
        return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_exeDir;
    std::optional<AccountFile> m_account;
};

void TestSavedFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_exeDir = m_dir->path() + QLatin1Char('/');
    m_account.emplace(m_exeDir);
}

void TestSavedFiles::cleanup()
{
    m_account.reset();
}

void TestSavedFiles::trimming_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("blanks") << " \t user \r\n"
                            << "user";
    QTest::newRow("control characters") << QStringLiteral("\x01\x1f"
                                                          "a b\x7f\x1f")
                                        << QStringLiteral("a b\x7f");
    QTest::newRow("full-width space stays")
        << QStringLiteral("　帳號　") << QStringLiteral("　帳號　");
    QTest::newRow("inside stays") << " a \t b "
                                  << "a \t b";
    QTest::newRow("only blanks") << " \t "
                                 << "";
}

void TestSavedFiles::trimming()
{
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QCOMPARE(account::trimmed(text), trimmed);
}

void TestSavedFiles::accountSaveWritesTrimmedEntries_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("blanks around the name")
        << "  user\t"
        << " pw "
        << "\t123 " << big5(QStringLiteral("[account]\r\nuser=pw\r\n認證碼=123\r\n"));
    QTest::newRow("all empty") << ""
                               << ""
                               << "" << big5(QStringLiteral("[account]\r\n=\r\n認證碼=\r\n"));
    QTest::newRow("Big5 name and password")
        << QStringLiteral("王小明") << QStringLiteral("密碼") << "9"
        << big5(QStringLiteral("[account]\r\n王小明=密碼\r\n認證碼=9\r\n"));
    QTest::newRow("quoted password")
        << "user"
        << "'abc'"
        << "1" << big5(QStringLiteral("[account]\r\nuser=\"'abc'\"\r\n認證碼=1\r\n"));
    QTest::newRow("name equal to the code's key")
        << QStringLiteral("認證碼") << "pw"
        << "123" << big5(QStringLiteral("[account]\r\n認證碼=123\r\n"));
}

void TestSavedFiles::accountSaveWritesTrimmedEntries()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, code);
    QFETCH(QByteArray, file);

    m_account->save(name, password, code);
    QCOMPARE(readBytes(accountPath()), file);
    QCOMPARE(m_account->openedPath(), accountPath());
    QCOMPARE(folderEntries(), QStringList{QStringLiteral("account.ini")});
}

void TestSavedFiles::accountLoad_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("code");

    const QString codeKey = QStringLiteral("認證碼");
    QTest::newRow("as saved") << big5(QStringLiteral("[account]\r\nuser=pw\r\n認證碼=123\r\n"))
                              << Entries{{"user", "pw"}, {codeKey, "123"}} << "user"
                              << "pw"
                              << "123";
    QTest::newRow("code first, edited by hand")
        << big5(QStringLiteral("[account]\r\n認證碼=123\r\nuser=pw\r\n"))
        << Entries{{codeKey, "123"}, {"user", "pw"}} << codeKey << "123"
        << "123";
    QTest::newRow("no entries") << QByteArray("[account]\r\n") << Entries{} << ""
                                << ""
                                << "";
    QTest::newRow("no section") << QByteArray("; empty\r\n") << Entries{} << ""
                                << ""
                                << "";
    QTest::newRow("quoted value loses its quotes")
        << QByteArray("[account]\r\nuser='pw'\r\n") << Entries{{"user", "pw"}} << "user"
        << "pw"
        << "";
    QTest::newRow("empty account name") << big5(QStringLiteral("[account]\r\n=\r\n認證碼=\r\n"))
                                        << Entries{{"", ""}, {codeKey, ""}} << ""
                                        << ""
                                        << "";
    QTest::newRow("two accounts") << QByteArray("[account]\r\nold=1\r\nnew=2\r\n")
                                  << Entries{{"old", "1"}, {"new", "2"}} << "old"
                                  << "1"
                                  << "";
}

void TestSavedFiles::accountLoad()
{
    QFETCH(QByteArray, file);
    QFETCH(Entries, entries);
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, code);

    writeBytes(accountPath(), file);
    const std::optional<SavedAccount> saved = m_account->load();
    QVERIFY(saved);
    QCOMPARE(saved->entries, entries);
    QCOMPARE(saved->name, name);
    QCOMPARE(saved->password, password);
    QCOMPARE(saved->code, code);
    QCOMPARE(m_account->openedPath(), accountPath());
    QCOMPARE(readBytes(accountPath()), file);
}

void TestSavedFiles::accountLoadWithoutFile()
{
    QVERIFY(!m_account->load());
    QVERIFY(m_account->openedPath().isEmpty());
    QVERIFY(QDir().mkdir(accountPath()));
    QVERIFY(!m_account->load());
}

void TestSavedFiles::accountSaveKeepsOtherAccounts()
{
    const QByteArray before = big5(QStringLiteral("; mine\r\n[account]\r\nold=1\r\n認證碼=7\r\n"
                                                  "[other]\r\nx=y\r\n"));
    writeBytes(accountPath(), before);
    m_account->save(QStringLiteral("new"), QStringLiteral("2"), QStringLiteral("8"));
    // The new account comes first, so the next start of any version loads it.
    QCOMPARE(readBytes(accountPath()),
             big5(QStringLiteral("; mine\r\n[account]\r\nnew=2\r\nold=1\r\n認證碼=8\r\n"
                                 "[other]\r\nx=y\r\n")));
    m_account->save(QStringLiteral("old"), QStringLiteral("3"), QStringLiteral("8"));
    QCOMPARE(m_account->load()->entries,
             (QList<std::pair<QString, QString>>{
                 {"old", "3"}, {"new", "2"}, {QStringLiteral("認證碼"), "8"}}));
}

void TestSavedFiles::accountNameTheFileCannotHold_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("error");

    const QString badName =
        QStringLiteral("無法儲存：帳號不能含有「=」或換行，也不能以「[」或「;」開頭。"
                       "帳號檔未寫入");
    QTest::newRow("equals sign") << "a=b"
                                 << "pw" << QStringLiteral("帳號「a=b」") + badName;
    QTest::newRow("line break") << "a\r\nb"
                                << "pw" << QStringLiteral("帳號「a\r\nb」") + badName;
    QTest::newRow("bracket after trimming") << "  [a]"
                                            << "pw" << QStringLiteral("帳號「[a]」") + badName;
    QTest::newRow("semicolon") << ";a"
                               << "pw" << QStringLiteral("帳號「;a」") + badName;
    QTest::newRow("emoji in the password")
        << "user" << QStringLiteral("p😀w")
        << QStringLiteral("字元「😀」(U+1F600)無法以 Big5 編碼儲存。帳號檔未寫入");
}

// Nothing is written: neither a new file nor a change to an existing one.
void TestSavedFiles::accountNameTheFileCannotHold()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, error);

    for (const bool existing : {false, true}) {
        const QByteArray before = "[account]\r\nold=1\r\n";
        if (existing)
            writeBytes(accountPath(), before);
        try {
            m_account->save(name, password, QStringLiteral("1"));
            QFAIL("the account was saved");
        } catch (const Failure& failure) {
            QCOMPARE(failure.text(), error);
        }
        if (existing)
            QCOMPARE(readBytes(accountPath()), before);
        else
            QVERIFY(!QFile::exists(accountPath()));
    }
}

void TestSavedFiles::accountRefusedWrite()
{
    const QByteArray before = "[account]\r\nuser=pw\r\n";
    writeBytes(accountPath(), before);
    QString error;
    {
        const FileSizeLimit limit(before.size());
        try {
            m_account->save(QStringLiteral("someone"), QStringLiteral("else"), QStringLiteral("1"));
        } catch (const Failure& failure) {
            error = failure.text();
        }
    }
    QCOMPARE(firstLine(error), QStringLiteral("Unable to write to ") + accountPath());
    QCOMPARE(readBytes(accountPath()), before);
    QCOMPARE(folderEntries(), QStringList{QStringLiteral("account.ini")});
}

void TestSavedFiles::accountForget()
{
    m_account->forget();
    m_account->save(QStringLiteral("user"), QStringLiteral("pw"), QString());
    QVERIFY(QFile::exists(accountPath()));
    m_account->forget();
    QVERIFY(!QFile::exists(accountPath()));

    // Nothing to delete where the name is a folder.
    QVERIFY(QDir().mkdir(accountPath()));
    m_account->forget();
    QVERIFY(QFileInfo(accountPath()).isDir());
}

// A file the user made read-only is never replaced: the save names it and
// the file keeps its bytes, although the folder would allow a rename.
void TestSavedFiles::readOnlyFileKept()
{
    const QByteArray account = "[account]\r\nuser=pw\r\n";
    const QByteArray text = "old text";
    writeBytes(accountPath(), account);
    writeBytes(messagePath(), text);
    for (const QString& path : {accountPath(), messagePath()})
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));

    QStringList errors;
    try {
        m_account->save(QStringLiteral("someone"), QStringLiteral("else"), QString());
    } catch (const Failure& failure) {
        errors << failure.text();
    }
    try {
        message::save(m_exeDir, QStringLiteral("new text"));
    } catch (const Failure& failure) {
        errors << failure.text();
    }
    QCOMPARE(errors.size(), 2);
    QCOMPARE(firstLine(errors[0]), QStringLiteral("Unable to write to ") + accountPath());
    QVERIFY2(errors[1].startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(messagePath())),
             qPrintable(errors[1]));
    QCOMPARE(readBytes(accountPath()), account);
    QCOMPARE(readBytes(messagePath()), text);
    QCOMPARE(folderEntries().size(), 2);
}

void TestSavedFiles::accountIsOwnerOnly()
{
    m_account->save(QStringLiteral("user"), QStringLiteral("pw"), QString());
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                        QFileDevice::WriteOther;
    QCOMPARE(QFile::permissions(accountPath()) & others, QFileDevice::Permissions());
}

// In a folder that takes no new files the account is written in place; not
// so into a file another user owns, who could read the password or let
// others change the file.
void TestSavedFiles::accountNotWrittenIntoAnotherUsersFile()
{
    if (::geteuid() != 0)
        QSKIP("only the superuser can act as another user");
    const QByteArray before = "[account]\r\nuser=pw\r\n";
    writeBytes(accountPath(), before);
    QVERIFY(::chmod(QFile::encodeName(accountPath()).constData(), 0666) == 0);
    // The user 65534 may enter the folder but not add to it.
    const QByteArray folder = QFile::encodeName(m_dir->path());
    QVERIFY(::chown(folder.constData(), 65534, 65534) == 0);
    QVERIFY(::chmod(folder.constData(), 0555) == 0);

    const auto asUser = [](uid_t uid, const std::function<void()>& action) {
        QVERIFY(::seteuid(uid) == 0);
        action();
        QVERIFY(::seteuid(0) == 0);
    };
    QString error;
    asUser(65534, [&] {
        try {
            m_account->save(QStringLiteral("someone"), QStringLiteral("else"), QString());
        } catch (const Failure& failure) {
            error = failure.text();
        }
    });
    QCOMPARE(firstLine(error), QStringLiteral("Unable to write to ") + accountPath());
    QCOMPARE(readBytes(accountPath()), before);

    // The user's own file is written in place, and made the user's alone.
    QVERIFY(::chown(QFile::encodeName(accountPath()).constData(), 65534, 65534) == 0);
    asUser(65534,
           [&] { m_account->save(QStringLiteral("someone"), QStringLiteral("else"), QString()); });
    QVERIFY(readBytes(accountPath()).contains("someone=else"));
    QCOMPARE(QFile::permissions(accountPath()) & (QFileDevice::ReadOther | QFileDevice::WriteOther),
             QFileDevice::Permissions());
}

// A link planted by another user at account.ini or sms.txt leads nowhere:
// its target is neither read nor written, the link itself is replaced.
void TestSavedFiles::anotherUsersLinkNotFollowed()
{
    if (::geteuid() != 0)
        QSKIP("only the superuser can give a link to another user");
    const QString target = m_dir->filePath(QStringLiteral("elsewhere"));
    const QByteArray planted = "[account]\r\nplanted=pw\r\n";
    writeBytes(target, planted);
    for (const QString& path : {accountPath(), messagePath()}) {
        QVERIFY(QFile::link(target, path));
        QVERIFY(::lchown(QFile::encodeName(path).constData(), 65534, 65534) == 0);
    }
    QVERIFY(!m_account->load().has_value());
    QVERIFY(!message::load(m_exeDir).has_value());
    m_account->save(QStringLiteral("user"), QStringLiteral("pw"), QString());
    message::save(m_exeDir, QStringLiteral("text"));
    QCOMPARE(readBytes(target), planted);
    for (const QString& path : {accountPath(), messagePath()})
        QVERIFY(!QFileInfo(path).isSymLink());
    QVERIFY(readBytes(accountPath()).contains("user=pw"));
}

void TestSavedFiles::messageDecoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("Big5 with CR LF")
        << big5(QStringLiteral("今天\r\n生日快樂")) << QStringLiteral("今天\r\n生日快樂");
    QTest::newRow("LF kept for the memo to mend")
        << QByteArray("a\nb\n\rc") << QStringLiteral("a\nb\n\rc");
    QTest::newRow("text after NUL dropped") << QByteArray("abc\0def\0", 8) << QStringLiteral("abc");
    QTest::newRow("NUL first") << QByteArray("\0abc", 4) << QString();
    // A UTF-8 byte-order mark is just three more bytes of ANSI text.
    QTest::newRow("byte-order mark not recognised") << QByteArray("\xEF\xBB\xBF"
                                                                  "a")
                                                    << ansi::decode("\xEF\xBB\xBF"
                                                                    "a");
    QTest::newRow("euro sign") << QByteArray("\xA3\xE1") << QStringLiteral("€");
}

void TestSavedFiles::messageDecoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(message::decodeFileBytes(bytes), text);
    writeBytes(messagePath(), bytes);
    QCOMPARE(message::load(m_exeDir), std::optional<QString>(text));
}

void TestSavedFiles::messageSaveIsExact_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty memo, empty file") << QString() << QByteArray("");
    QTest::newRow("Big5 lines, no line break added")
        << QStringLiteral("今天\r\nhappy") << QByteArray("\xA4\xB5\xA4\xD1\r\nhappy");
    QTest::newRow("lone CR and LF saved unchanged") << "a\nb\rc" << QByteArray("a\nb\rc");
    QTest::newRow("question mark stays") << "?" << QByteArray("?");
}

void TestSavedFiles::messageSaveIsExact()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);

    writeBytes(messagePath(), "an older, longer message");
    message::save(m_exeDir, text);
    QCOMPARE(readBytes(messagePath()), bytes);
    QCOMPARE(message::load(m_exeDir), std::optional<QString>(text));
    QCOMPARE(folderEntries(), QStringList{QStringLiteral("sms.txt")});
}

void TestSavedFiles::messageLoadWithoutFile()
{
    QCOMPARE(message::load(m_exeDir), std::nullopt);
    QVERIFY(QDir().mkdir(messagePath()));
    QCOMPARE(message::load(m_exeDir), std::nullopt);
}

void TestSavedFiles::messageUnencodableCharacter()
{
    const QString error = QStringLiteral("簡訊內容中的字元「😀」(U+1F600)無法以 Big5 編碼儲存，"
                                         "簡訊內容未儲存。請刪除或換掉這個字元後再儲存");
    try {
        message::save(m_exeDir, QStringLiteral("生日快樂😀!"));
        QFAIL("saved");
    } catch (const Failure& failure) {
        QCOMPARE(failure.text(), error);
    }
    QVERIFY(!QFile::exists(messagePath()));

    writeBytes(messagePath(), "old");
    QVERIFY_THROWS_EXCEPTION(Failure, message::save(m_exeDir, QStringLiteral("é")));
    QCOMPARE(readBytes(messagePath()), QByteArray("old"));
}

void TestSavedFiles::messageCannotCreate()
{
    const QString missing = m_exeDir + QStringLiteral("missing/");
    try {
        message::save(missing, QStringLiteral("hi"));
        QFAIL("saved");
    } catch (const Failure& failure) {
        QCOMPARE(firstLine(failure.text()),
                 QStringLiteral("Cannot create file \"%1sms.txt\". No such file or "
                                "directory")
                     .arg(missing));
    }
}

void TestSavedFiles::messageWriteError()
{
    writeBytes(messagePath(), "old text");
    QString error;
    {
        const FileSizeLimit limit(4);
        try {
            message::save(m_exeDir, QStringLiteral("a new text"));
        } catch (const Failure& failure) {
            error = failure.text();
        }
    }
    QCOMPARE(firstLine(error), QStringLiteral("Stream write error"));
    QCOMPARE(readBytes(messagePath()), QByteArray("old text"));
    QCOMPARE(folderEntries(), QStringList{QStringLiteral("sms.txt")});
}

void TestSavedFiles::messageCannotOpen()
{
    if (!folderPermissionsStopWrites())
        QSKIP("file permissions do not stop this user (root) from reading");
    writeBytes(messagePath(), "secret");
    QFile::setPermissions(messagePath(), QFileDevice::WriteOwner);
    try {
        message::load(m_exeDir);
        QFAIL("loaded");
    } catch (const Failure& failure) {
        QVERIFY2(failure.text().startsWith(
                     QStringLiteral("Cannot open file \"%1\". ").arg(messagePath())),
                 qPrintable(failure.text()));
    }
}

QTEST_GUILESS_MAIN(TestSavedFiles)
#include "test_savedfiles.moc"
