#include "AnsiText.h"
#include "FileSizeLimit.h"
#include "Memo.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// Why this process cannot mount file systems of its own; empty when it can.
QString g_noMounts;

bool writeProcFile(const char* path, const QByteArray& text)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Moves this process into a mount namespace of its own, so that the file
// systems it mounts are seen by nobody else and vanish with it. Without the
// right to do so as it is, it tries as root of a user namespace of its own.
// Must run before any thread starts.
QString enterPrivateMounts()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        const QString plain = qt_error_string(errno);
        const QByteArray uid = QByteArray::number(::geteuid());
        const QByteArray gid = QByteArray::number(::getegid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return QStringLiteral("no mount namespace (%1; as a user namespace: %2)")
                .arg(plain, qt_error_string(errno));
        if (!writeProcFile("/proc/self/setgroups", "deny") ||
            !writeProcFile("/proc/self/uid_map", "0 " + uid + " 1") ||
            !writeProcFile("/proc/self/gid_map", "0 " + gid + " 1"))
            return QStringLiteral("cannot map the user into a user namespace");
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return QStringLiteral("cannot make the mounts private: %1").arg(qt_error_string(errno));
    return {};
}

// Fills the file system of the folder up to the last byte; false when the
// system would not say it is full.
bool fillDisk(const QString& path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const QByteArray chunk(4096, 'x');
    while (::write(fd, chunk.constData(), std::size_t(chunk.size())) > 0) {
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
}

} // namespace

// A folder the program may not write into and a full disk, made for real:
// every save of the message and every write of the account file shows its
// error, the old file keeps every byte, nothing is left behind, and once
// the fault is gone the same window saves as usual.
class TestFaultyDisk : public QObject, private ScriptedWindow
{
    Q_OBJECT

public:
    enum class Fault
    {
        ReadOnlyFolder,
        FullDisk
    };
    Q_ENUM(Fault)

private Q_SLOTS:
    void init() { newWindow(); }
    void cleanup();

    void savesRefused_data();
    void savesRefused();
    void startUpWriteBackRefused_data() { savesRefused_data(); }
    void startUpWriteBackRefused();
    void folderTakesNoNewFiles();

private:
    // Writes the old files and an earlier run's into the program folder, then brings the fault
    // about. Returns why this machine cannot make it, or empty.
    QString makeFault(Fault fault);
    void liftFault();
    QString fillerPath() const { return m_dir->filePath(QStringLiteral("filler")); }

    bool m_mounted = false;
    std::unique_ptr<QTemporaryDir> m_outside; // the writable files of folderTakesNoNewFiles
    bool m_readOnlyByPermissions = false;

    const QByteArray m_oldAccount =
        ansi::encode(QStringLiteral("[account]\r\nuser=pw\r\n認證碼=123\r\n"));
    const QByteArray m_oldMessage = ansi::encode(QStringLiteral("舊的簡訊 old message"));
};

void TestFaultyDisk::cleanup()
{
    closeWindow();
    liftFault();
    if (m_outside) {
        for (const QString& path : {accountPath(), messagePath()})
            ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
        m_outside.reset();
    }
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir->path()).constData(), MNT_DETACH);
    m_mounted = false;
    m_dir.reset();
}

QString TestFaultyDisk::makeFault(Fault fault)
{
    const bool permissionsStopWrites = folderPermissionsStopWrites();
    const bool needsMount = fault == Fault::FullDisk || !permissionsStopWrites;
    if (needsMount) {
        if (!g_noMounts.isEmpty())
            return QStringLiteral("cannot mount a small file system: ") + g_noMounts;
        // A small file system of its own, so it fills up quickly and can be
        // made read-only for root too.
        if (::mount("tmpfs", QFile::encodeName(m_dir->path()).constData(), "tmpfs",
                    MS_NOSUID | MS_NODEV, "size=256k,mode=0700") != 0)
            return QStringLiteral("cannot mount a small file system: ") + qt_error_string(errno);
        m_mounted = true;
    }
    writeBytes(accountPath(), m_oldAccount);
    writeBytes(messagePath(), m_oldMessage);
    earlierRun();

    if (fault == Fault::FullDisk) {
        if (!fillDisk(fillerPath()))
            return QStringLiteral("the small file system did not fill up");
    } else if (permissionsStopWrites) {
        QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        m_readOnlyByPermissions = true;
    } else if (::mount(nullptr, QFile::encodeName(m_dir->path()).constData(), nullptr,
                       MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) != 0) {
        return QStringLiteral("cannot make the small file system read-only: ") +
               qt_error_string(errno);
    }
    return {};
}

void TestFaultyDisk::liftFault()
{
    if (m_readOnlyByPermissions)
        QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner);
    m_readOnlyByPermissions = false;
    if (m_mounted) {
        ::mount(nullptr, QFile::encodeName(m_dir->path()).constData(), nullptr,
                MS_REMOUNT | MS_NOSUID | MS_NODEV, nullptr);
        QFile::remove(fillerPath());
    }
}

void TestFaultyDisk::savesRefused_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::newRow("read-only folder") << Fault::ReadOnlyFolder;
    QTest::newRow("full disk") << Fault::FullDisk;
}

void TestFaultyDisk::savesRefused()
{
    QFETCH(Fault, fault);
    if (const QString impossible = makeFault(fault); !impossible.isEmpty())
        QSKIP(qPrintable(impossible));
    const QStringList filesBefore = folderEntries();

    m_form->Memo1->setText(QStringLiteral("新的簡訊 new text"));
    m_form->BitBtn2->click();
    m_form->Edit1->setText(QStringLiteral("someone"));
    m_form->Edit2->setText(QStringLiteral("secret"));
    m_form->CheckBox1->click();

    const QStringList errors = m_dialogs.errors();
    QCOMPARE(errors.size(), 2);
    if (fault == Fault::FullDisk) {
        QCOMPARE(firstLine(errors[0]), QStringLiteral("Stream write error"));
    } else {
        // The system's reason follows the path.
        const QString prefix = QStringLiteral("Cannot create file \"%1\". ").arg(messagePath());
        QVERIFY2(errors[0].startsWith(prefix) && errors[0].size() > prefix.size() + 1,
                 qPrintable(errors[0]));
    }
    QCOMPARE(firstLine(errors[1]), QStringLiteral("Unable to write to %1").arg(accountPath()));
    QCOMPARE(m_dialogs.shown().size(), 2);
    QCOMPARE(readBytes(messagePath()), m_oldMessage);
    QCOMPARE(readBytes(accountPath()), m_oldAccount);
    QCOMPARE(folderEntries(), filesBefore);
    QCOMPARE(m_form->Memo1->text(), QStringLiteral("新的簡訊 new text"));
    QVERIFY(m_form->CheckBox1->isChecked());

    // With the fault gone the same window saves both files.
    liftFault();
    m_form->CheckBox1->click();
    QVERIFY(!QFile::exists(accountPath()));
    m_form->CheckBox1->click();
    m_form->BitBtn2->click();
    QCOMPARE(m_dialogs.shown().size(), 2);
    QCOMPARE(readBytes(messagePath()), ansi::encode(QStringLiteral("新的簡訊 new text")));
    QCOMPARE(readBytes(accountPath()),
             ansi::encode(QStringLiteral("[account]\r\nsomeone=secret\r\n認證碼=\r\n")));
}

// The start-up's account load on a disk that takes no write: the file already
// holds what the write-back would write, so nothing is written and nothing
// is said; the message text is loaded; afterwards the check box writes as usual.
void TestFaultyDisk::startUpWriteBackRefused()
{
    QFETCH(Fault, fault);
    if (const QString impossible = makeFault(fault); !impossible.isEmpty())
        QSKIP(qPrintable(impossible));
    const QStringList filesBefore = folderEntries();

    startWindow();

    QCOMPARE(m_dialogs.errors(), QStringList());
    QCOMPARE(readBytes(accountPath()), m_oldAccount);
    QCOMPARE(folderEntries(), filesBefore);
    QCOMPARE(m_form->Edit1->text(), QStringLiteral("user"));
    QVERIFY(m_form->CheckBox1->isChecked());
    QCOMPARE(m_form->Memo1->text(), QStringLiteral("舊的簡訊 old message"));

    liftFault();
    m_form->CheckBox1->click();
    QVERIFY(!QFile::exists(accountPath()));
    m_form->CheckBox1->click();
    QCOMPARE(readBytes(accountPath()), m_oldAccount);
    // Only the send log's one note that it cannot record for now.
    QCOMPARE(m_dialogs.shown().size(), 1);
    QCOMPARE(m_dialogs.messages().size(), 1);
    QVERIFY(m_dialogs.messages().front().contains(QStringLiteral("發送紀錄暫時無法寫入")));
}

// A folder that takes no new files while its two files stay writable (each
// file is mounted from a writable place over a read-only folder, so the rule
// holds for root too): the start-up writes the account back, the saves write
// the files in place, and an uncheck that cannot delete says so and keeps
// the box checked.
void TestFaultyDisk::folderTakesNoNewFiles()
{
    if (!g_noMounts.isEmpty())
        QSKIP(qPrintable(QStringLiteral("cannot mount: ") + g_noMounts));
    const QByteArray folder = QFile::encodeName(m_dir->path());
    QVERIFY(::mount("tmpfs", folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    "size=256k,mode=0700") == 0);
    m_mounted = true;
    earlierRun();
    m_outside = std::make_unique<QTemporaryDir>();
    for (const QString& path : {accountPath(), messagePath()}) {
        const QString outside = m_outside->filePath(QFileInfo(path).fileName());
        writeBytes(path, {});
        writeBytes(outside, path == accountPath() ? m_oldAccount : m_oldMessage);
        QVERIFY(::mount(QFile::encodeName(outside).constData(), QFile::encodeName(path).constData(),
                        nullptr, MS_BIND, nullptr) == 0);
    }
    QVERIFY(::mount(nullptr, folder.constData(), nullptr,
                    MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0);
    const QStringList filesBefore = folderEntries();

    startWindow();
    // The send log, which needs a new file beside its own to record the
    // start, says once that it cannot record for now; nothing else is shown.
    QCOMPARE(m_dialogs.shown().size(), 1);
    QVERIFY(m_dialogs.messages().front().contains(QStringLiteral("發送紀錄暫時無法寫入")));
    m_dialogs.clear();
    QCOMPARE(m_form->Memo1->text(), QStringLiteral("舊的簡訊 old message"));
    QCOMPARE(readBytes(accountPath()), m_oldAccount);

    m_form->Memo1->setText(QStringLiteral("新的"));
    m_form->BitBtn2->click();
    QCOMPARE(m_dialogs.shown().size(), 0);
    QCOMPARE(readBytes(messagePath()), ansi::encode(QStringLiteral("新的")));

    m_form->CheckBox1->click();
    QCOMPARE(m_dialogs.errors().size(), 1);
    QVERIFY2(m_dialogs.errors().front().startsWith(
                 QStringLiteral("Cannot delete file \"%1\".").arg(accountPath())),
             qPrintable(m_dialogs.errors().front()));
    QVERIFY(m_form->CheckBox1->isChecked());
    QCOMPARE(readBytes(accountPath()), m_oldAccount);

    // Checking again writes the new account in place, first in its section.
    {
        const QSignalBlocker blocker(m_form->CheckBox1);
        m_form->CheckBox1->setChecked(false);
    }
    m_form->Edit1->setText(QStringLiteral("someone"));
    m_form->CheckBox1->click();
    QCOMPARE(m_dialogs.shown().size(), 1);
    QCOMPARE(readBytes(accountPath()),
             ansi::encode(QStringLiteral("[account]\r\nsomeone=pw\r\nuser=pw\r\n認證碼=123\r\n")));
    QCOMPARE(QFile::permissions(accountPath()) & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
             QFileDevice::Permissions());
    QCOMPARE(folderEntries(), filesBefore);
}

int main(int argc, char* argv[])
{
    // Before the application starts any thread.
    g_noMounts = enterPrivateMounts();
    QApplication application(argc, argv);
    TestFaultyDisk test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_faultydisk.moc"
