#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// Copies of the program started as processes on one folder: the first one
// runs, a later one knocks (bringing the first to the front) or, started
// with an argument, ends silently; a copy that crashed blocks nobody.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void laterCopyKnocksAndEnds();
    void otherFolderRunsToo();
    void crashedCopyBlocksNobody();
    void withoutRuntimeFolderInAFolderOfItsOwn();
    void sharedFolderNotTrusted();
    void anotherUsersNamesNotTrusted();

private:
    // Starts a copy and returns its first line of output.
    QByteArray start(QProcess& copy, const QString& folder, const QString& mode = {});
    // The environment of a session without a runtime folder, whose
    // temporary folder is `temporary`.
    static QProcessEnvironment withoutRuntimeFolder(const QString& temporary);

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_first;
};

void TestSingleInstance::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QCOMPARE(start(m_first, m_dir->path()), QByteArray("first"));
}

void TestSingleInstance::cleanup()
{
    m_first.kill();
    m_first.waitForFinished(5000);
}

QProcessEnvironment TestSingleInstance::withoutRuntimeFolder(const QString& temporary)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("TMPDIR"), temporary);
    return environment;
}

QByteArray TestSingleInstance::start(QProcess& copy, const QString& folder, const QString& mode)
{
    copy.start(QStringLiteral(SINGLE_INSTANCE_PROBE), {folder, mode});
    if (!copy.waitForStarted(5000))
        return "not started";
    while (!copy.canReadLine() && copy.waitForReadyRead(5000)) {
    }
    return copy.readLine().trimmed();
}

void TestSingleInstance::laterCopyKnocksAndEnds()
{
    QProcess quiet;
    QCOMPARE(start(quiet, m_dir->path(), QStringLiteral("autostart")), QByteArray("later"));
    QVERIFY(quiet.waitForFinished(5000));
    QCOMPARE(quiet.exitCode(), 0);

    QProcess later;
    QCOMPARE(start(later, m_dir->path() + QStringLiteral("/."), QStringLiteral("knock")),
             QByteArray("later"));
    QVERIFY(later.waitForFinished(5000));
    // Only the knock reached the first copy.
    QVERIFY(m_first.canReadLine() || m_first.waitForReadyRead(5000));
    QCOMPARE(m_first.readAll(), QByteArray("raised\n"));
    QCOMPARE(m_first.state(), QProcess::Running);
}

void TestSingleInstance::otherFolderRunsToo()
{
    QTemporaryDir other;
    QProcess copy;
    QCOMPARE(start(copy, other.path()), QByteArray("first"));
    copy.kill();
    copy.waitForFinished(5000);
}

void TestSingleInstance::crashedCopyBlocksNobody()
{
    m_first.kill();
    QVERIFY(m_first.waitForFinished(5000));
    QCOMPARE(start(m_first, m_dir->path()), QByteArray("first"));
    QProcess later;
    QCOMPARE(start(later, m_dir->path(), QStringLiteral("knock")), QByteArray("later"));
    QVERIFY(later.waitForFinished(5000));
    QVERIFY(m_first.canReadLine() || m_first.waitForReadyRead(5000));
    QCOMPARE(m_first.readLine(), QByteArray("raised\n"));
}

// Without a runtime folder the names live in a folder the program makes,
// which only this user may enter; copies still find one another there.
void TestSingleInstance::withoutRuntimeFolderInAFolderOfItsOwn()
{
    QTemporaryDir temporary;
    QProcess first;
    first.setProcessEnvironment(withoutRuntimeFolder(temporary.path()));
    QCOMPARE(start(first, m_dir->path()), QByteArray("first"));
    const QFileInfo own(temporary.filePath(QStringLiteral("selvanto-%1").arg(::getuid())));
    QVERIFY(own.isDir());
    QCOMPARE(own.permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                   QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFile::Permissions());
    QProcess later;
    later.setProcessEnvironment(first.processEnvironment());
    QCOMPARE(start(later, m_dir->path(), QStringLiteral("knock")), QByteArray("later"));
    QVERIFY(later.waitForFinished(5000));
    QVERIFY(first.canReadLine() || first.waitForReadyRead(5000));
    QCOMPARE(first.readLine(), QByteArray("raised\n"));
    first.kill();
    first.waitForFinished(5000);
}

// A folder of that name that others may write to (planted by another user)
// is not used: every copy starts, and none is kept from starting.
void TestSingleInstance::sharedFolderNotTrusted()
{
    QTemporaryDir temporary;
    const QString planted = temporary.filePath(QStringLiteral("selvanto-%1").arg(::getuid()));
    QVERIFY(QDir().mkdir(planted));
    QVERIFY(::chmod(QFile::encodeName(planted).constData(), 0777) == 0);
    QProcess copies[2];
    for (QProcess& copy : copies) {
        copy.setProcessEnvironment(withoutRuntimeFolder(temporary.path()));
        QCOMPARE(start(copy, m_dir->path()), QByteArray("first"));
    }
    QCOMPARE(QDir(planted).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
             QStringList());
    for (QProcess& copy : copies) {
        copy.kill();
        copy.waitForFinished(5000);
    }
}

// A lock and socket that belong to another user are never trusted: the
// program starts, and says nothing to them.
void TestSingleInstance::anotherUsersNamesNotTrusted()
{
    if (::geteuid() != 0)
        QSKIP("only the superuser can give names to another user");
    QTemporaryDir temporary;
    QProcess crashed;
    crashed.setProcessEnvironment(withoutRuntimeFolder(temporary.path()));
    QCOMPARE(start(crashed, m_dir->path()), QByteArray("first"));
    crashed.kill();
    QVERIFY(crashed.waitForFinished(5000));
    const QDir own(temporary.filePath(QStringLiteral("selvanto-%1").arg(::getuid())));
    const QStringList names = own.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    QCOMPARE(names.size(), 2);
    for (const QString& name : names)
        QVERIFY(::lchown(QFile::encodeName(own.filePath(name)).constData(), 65534, 65534) == 0);

    QProcess copies[2];
    for (QProcess& copy : copies) {
        copy.setProcessEnvironment(crashed.processEnvironment());
        QCOMPARE(start(copy, m_dir->path(), QStringLiteral("knock")), QByteArray("first"));
    }
    for (QProcess& copy : copies) {
        copy.kill();
        copy.waitForFinished(5000);
    }
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
