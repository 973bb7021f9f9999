#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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

private:
    // Starts a copy and returns its first line of output.
    QByteArray start(QProcess& copy, const QString& folder, const QString& mode = {});

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

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
