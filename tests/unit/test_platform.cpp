#include "AnsiText.h"
#include "AppTitle.h"
#include "DataFolder.h"
#include "ExeDir.h"
#include "Failure.h"
#include "Guard.h"
#include "MemoText.h"
#include "RecordingDialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPlatform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encodesKnownBytes_data();
    void encodesKnownBytes();
    void decodesBrokenBytesToReplacement_data();
    void decodesBrokenBytesToReplacement();
    void findsUnencodableCharacters_data();
    void findsUnencodableCharacters();
    void normalisesLineBreaks_data();
    void normalisesLineBreaks();
    void titleFromExecutableName_data();
    void titleFromExecutableName();
    void exeDirEndsWithSeparator();
    void dataFolderRule_data();
    void dataFolderRule();
    void userDataFolderMadeOnceForTheUserOnly();
    void errorBoxAddsFullStop_data();
    void errorBoxAddsFullStop();
    void guardShowsFailuresAndSkipsSilentAbort();
};

void TestPlatform::encodesKnownBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QStringLiteral("Hello, 09!\r\n") << QByteArray("Hello, 09!\r\n");
    QTest::newRow("today") << QStringLiteral("今天") << QByteArray("\xA4\xB5\xA4\xD1");
    QTest::newRow("euro") << QStringLiteral("€") << QByteArray("\xA3\xE1");
    QTest::newRow("greeting punctuation") << QStringLiteral("，!") << QByteArray("\xA1\x41!");
    // Microsoft's additions to Big5: box drawing at F9 F9.
    QTest::newRow("ms addition F9F9") << QStringLiteral("═") << QByteArray("\xF9\xF9");
    QTest::newRow("mixed") << QStringLiteral("a今b")
                           << QByteArray("a\xA4\xB5"
                                         "b");
}

void TestPlatform::encodesKnownBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(ansi::encode(text), bytes);
    QCOMPARE(ansi::decode(bytes), text);
    QVERIFY(ansi::canEncode(text));
}

void TestPlatform::decodesBrokenBytesToReplacement_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QChar replacement = QChar::ReplacementCharacter;
    QTest::newRow("truncated lead byte")
        << QByteArray("ab\xA4") << QStringLiteral("ab") + replacement;
    QTest::newRow("invalid trail byte")
        << QByteArray("\xA4\x05x") << replacement + QStringLiteral("\x05x");
    // Microsoft's table maps the single bytes 80 and FF.
    QTest::newRow("single 80 and FF") << QByteArray("\x80\xFF") << QStringLiteral("\u0080\uF8F8");
}

void TestPlatform::decodesBrokenBytesToReplacement()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(ansi::decode(bytes), text);
}

void TestPlatform::findsUnencodableCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");
    QTest::newRow("all Big5") << QStringLiteral("生日快樂 abc") << -1;
    QTest::newRow("question mark itself") << QStringLiteral("?") << -1;
    QTest::newRow("emoji") << QStringLiteral("ab\U0001F382c") << 2;
    QTest::newRow("simplified only") << QStringLiteral("生日快乐") << 3;
    QTest::newRow("greek ok, hangul not") << QStringLiteral("α한") << 1;
}

void TestPlatform::findsUnencodableCharacters()
{
    QFETCH(QString, text);
    QFETCH(int, index);
    QCOMPARE(ansi::firstUnencodable(text), qsizetype(index));
    QCOMPARE(ansi::canEncode(text), index < 0);
}

void TestPlatform::normalisesLineBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("crlf kept") << QStringLiteral("a\r\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("lone lf") << QStringLiteral("a\nb\n") << QStringLiteral("a\r\nb\r\n");
    QTest::newRow("lone cr") << QStringLiteral("a\rb") << QStringLiteral("a\r\nb");
    QTest::newRow("lf cr makes two") << QStringLiteral("a\n\rb") << QStringLiteral("a\r\n\r\nb");
    QTest::newRow("cr cr lf") << QStringLiteral("\r\r\n") << QStringLiteral("\r\n\r\n");
}

void TestPlatform::normalisesLineBreaks()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(normaliseLineBreaks(text), expected);
}

void TestPlatform::titleFromExecutableName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << QStringLiteral("/opt/selvanto/selvanto")
                           << QStringLiteral("Selvanto");
    QTest::newRow("upper with extension")
        << QStringLiteral("/x/SELVANTO.EXE") << QStringLiteral("Selvanto");
    QTest::newRow("first full stop") << QStringLiteral("/x/my.app.v2") << QStringLiteral("My");
    QTest::newRow("dotted directory") << QStringLiteral("/x.y/bdAy") << QStringLiteral("Bday");
}

void TestPlatform::titleFromExecutableName()
{
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(applicationTitle(path), title);
}

void TestPlatform::exeDirEndsWithSeparator()
{
    QCOMPARE(exeDirOf(QStringLiteral("/opt/selvanto/selvanto")), QStringLiteral("/opt/selvanto/"));
    QVERIFY(exeDir().endsWith(QLatin1Char('/')));
    QCOMPARE(exeDir(), QCoreApplication::applicationDirPath() + QLatin1Char('/'));
}

void TestPlatform::dataFolderRule_data()
{
    QTest::addColumn<QStringList>("beside");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("xdgDataHome");
    QTest::addColumn<QString>("expected"); // "program" for the program's own folder
    const QString xdg = QStringLiteral("/srv/data");
    QTest::newRow("portable, contact book beside")
        << QStringList{"contact.mdb"} << false << xdg << QStringLiteral("program");
    QTest::newRow("portable, only a send log beside")
        << QStringList{"sendlog.db"} << true << xdg << QStringLiteral("program");
    QTest::newRow("installed read-only, XDG_DATA_HOME set")
        << QStringList{"selvanto.desktop"} << true << xdg << QStringLiteral("/srv/data/selvanto/");
    QTest::newRow("installed, XDG_DATA_HOME unset")
        << QStringList{} << true << QString() << QStringLiteral("/home/u/.local/share/selvanto/");
    QTest::newRow("installed, XDG_DATA_HOME relative")
        << QStringList{} << false << QStringLiteral("data")
        << QStringLiteral("/home/u/.local/share/selvanto/");
}

void TestPlatform::dataFolderRule()
{
    QFETCH(QStringList, beside);
    QFETCH(bool, readOnly);
    QFETCH(QString, xdgDataHome);
    QFETCH(QString, expected);
    QTemporaryDir program;
    for (const QString& name : beside)
        QVERIFY(QFile(program.filePath(name)).open(QIODevice::WriteOnly));
    if (readOnly)
        QVERIFY(QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::ExeOwner));
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/home/u"));
    if (!xdgDataHome.isEmpty())
        environment.insert(QStringLiteral("XDG_DATA_HOME"), xdgDataHome);
    const QString exeDir = program.path() + QLatin1Char('/');
    const DataFolder folder = DataFolder::choose(exeDir, environment);
    QCOMPARE(folder.path(), expected == QLatin1String("program") ? exeDir : expected);
    QCOMPARE(folder.isPortable(), expected == QLatin1String("program"));
    QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestPlatform::userDataFolderMadeOnceForTheUserOnly()
{
    QTemporaryDir home;
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), home.path());
    const DataFolder folder =
        DataFolder::choose(home.filePath(QStringLiteral("bin/")), environment);
    QCOMPARE(folder.path(), home.path() + QStringLiteral("/.local/share/selvanto/"));
    QVERIFY(folder.makeIfMissing());
    // Owner, group and others (0x0700 repeats the owner's bits for the current user).
    QCOMPARE(QFile::permissions(folder.path()) & 0x7077,
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!folder.makeIfMissing());
}

void TestPlatform::errorBoxAddsFullStop_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << QStringLiteral("Unable to write to /x/a.ini")
                            << QStringLiteral("Unable to write to /x/a.ini.");
    QTest::newRow("full stop kept") << QStringLiteral("Done.") << QStringLiteral("Done.");
    QTest::newRow("exclamation sorts before") << QStringLiteral("Oops!") << QStringLiteral("Oops!");
    QTest::newRow("quote sorts before")
        << QStringLiteral("file \"a\"") << QStringLiteral("file \"a\"");
    QTest::newRow("slash sorts after") << QStringLiteral("a/") << QStringLiteral("a/.");
    QTest::newRow("chinese sorts after") << QStringLiteral("找不到") << QStringLiteral("找不到.");
    QTest::newRow("chinese full stop kept") << QStringLiteral("Stream write error\n磁碟已滿。")
                                            << QStringLiteral("Stream write error\n磁碟已滿。");
    QTest::newRow("empty") << QString() << QString();
}

void TestPlatform::errorBoxAddsFullStop()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(errorBoxText(text), shown);
}

void TestPlatform::guardShowsFailuresAndSkipsSilentAbort()
{
    RecordingDialogs dialogs;
    QVERIFY(runGuarded(dialogs, [] {}));
    QVERIFY(!runGuarded(dialogs, [] { throw Failure(QStringLiteral("Stream write error")); }));
    QVERIFY(!runGuarded(dialogs, [] { throw SilentAbort(); }));
    QVERIFY(!runGuarded(dialogs, [] { throw std::runtime_error("bad"); }));
    QCOMPARE(dialogs.errors(),
             QStringList({QStringLiteral("Stream write error."), QStringLiteral("bad.")}));
    QVERIFY(dialogs.messages().isEmpty());
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
