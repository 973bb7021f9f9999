#include "ContactBookFiles.h"
#include "ScriptedWindow.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {
const QString base = QStringLiteral("http://127.0.0.1:1");
// The program's command in the autostart entry: a portable copy in a folder
// whose name needs quoting.
const QString program = QStringLiteral("/home/u/my programs/selvanto");
} // namespace

// The "設定" page as a user works it, and the first start in a new data folder.
class TestSettings : public QObject, private ScriptedWindow
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { closeWindow(); }

    void addressSavedAndUsedForTheSmsPage();
    void environmentAddressStaysInUse();
    void invalidAddressRefused_data();
    void invalidAddressRefused();
    void testButtonAsksTheGatewayItself();
    void autostartEntryWrittenAndRemoved();
    void folderButtonOpensTheDataFolder();
    void firstStartMakesAnEmptyBookAndOffersImport();

public:
    TestSettings() : ScriptedWindow(base) {}

private:
    void start(bool newDataFolder = false, bool gatewayFromEnvironment = false);
    void openSettingsPage();
    void typeAddress(const QString& text);
    QString settingsPath() const { return exeDir() + QStringLiteral("settings.ini"); }

    std::unique_ptr<QTemporaryDir> m_outside; // a folder away from the program's
    QStringList m_opened;
};

void TestSettings::init()
{
    newFolder();
    m_outside = std::make_unique<QTemporaryDir>();
    m_opened.clear();
}

void TestSettings::start(bool newDataFolder, bool gatewayFromEnvironment)
{
    FormServices given = services();
    given.newDataFolder = newDataFolder;
    given.gatewayFromEnvironment = gatewayFromEnvironment;
    given.programCommand = program;
    given.openFolder = [this](const QString& path) {
        m_opened << path;
        return true;
    };
    m_form = std::make_unique<TForm1>(given);
    activateForm();
}

void TestSettings::openSettingsPage()
{
    QTabBar* tabs = m_form->PageControl1->tabBar();
    QCOMPARE(tabs->tabText(3), QStringLiteral("設定"));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(3).center());
    QCOMPARE(m_form->PageControl1->currentWidget(), m_form->TabSheet4);
}

void TestSettings::typeAddress(const QString& text)
{
    QTest::mouseClick(m_form->Edit3, Qt::LeftButton);
    QTest::keyClick(m_form->Edit3, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(m_form->Edit3, Qt::Key_Delete);
    QTest::keyClicks(m_form->Edit3, text);
}

void TestSettings::addressSavedAndUsedForTheSmsPage()
{
    earlierRun();
    start();
    openSettingsPage();
    QCOMPARE(m_form->Edit3->text(), base);
    typeAddress(QStringLiteral(" HTTPS://SMS.Example.com:443/ "));
    QTest::mouseClick(m_form->Button7, Qt::LeftButton);

    QCOMPARE(m_dialogs.errors(), QStringList());
    QCOMPARE(m_form->Edit3->text(), QStringLiteral("https://sms.example.com"));
    QFile settings(settingsPath());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), QByteArray("[gateway]\naddress=https://sms.example.com\n"));
    QCOMPARE(settings.permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(m_browser->navigations().last(),
             QStringLiteral("https://sms.example.com/front_end/sms"));
}

void TestSettings::environmentAddressStaysInUse()
{
    earlierRun();
    start(false, true);
    openSettingsPage();
    QVERIFY(m_form->Label13->text().contains(QStringLiteral("SELVANTO_GATEWAY_URL")));
    const QStringList navigations = m_browser->navigations();
    typeAddress(QStringLiteral("https://sms.example.com"));
    QTest::mouseClick(m_form->Button7, Qt::LeftButton);
    QVERIFY(QFile::exists(settingsPath()));
    QCOMPARE(m_browser->navigations(), navigations);
    QVERIFY2(m_dialogs.messages().last().contains(QStringLiteral("SELVANTO_GATEWAY_URL")),
             qPrintable(m_dialogs.messages().last()));
}

void TestSettings::invalidAddressRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("no scheme") << QStringLiteral("sms.example.com");
    QTest::newRow("not the web") << QStringLiteral("ftp://sms.example.com");
    QTest::newRow("empty") << QString();
}

void TestSettings::invalidAddressRefused()
{
    QFETCH(QString, typed);
    earlierRun();
    start();
    openSettingsPage();
    const QStringList navigations = m_browser->navigations();
    typeAddress(typed);
    QTest::mouseClick(m_form->Button7, Qt::LeftButton);
    QCOMPARE(m_dialogs.errors().size(), 1);
    QVERIFY2(m_dialogs.errors().first().contains(QStringLiteral("不是簡訊閘道的網址")),
             qPrintable(m_dialogs.errors().first()));
    QVERIFY(!QFile::exists(settingsPath()));
    QCOMPARE(m_browser->navigations(), navigations);
}

void TestSettings::testButtonAsksTheGatewayItself()
{
    QTcpServer gateway;
    QVERIFY(gateway.listen(QHostAddress::LocalHost));
    QByteArray request;
    connect(&gateway, &QTcpServer::newConnection, &gateway, [&] {
        QTcpSocket* socket = gateway.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [&request, socket] {
            request += socket->readAll();
            if (request.contains("\r\n\r\n")) {
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                socket->disconnectFromHost();
            }
        });
    });
    earlierRun();
    start();
    openSettingsPage();
    const QStringList navigations = m_browser->navigations();
    const QString address = QStringLiteral("http://127.0.0.1:%1").arg(gateway.serverPort());
    typeAddress(address);
    QTest::mouseClick(m_form->Button6, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.messages().size(), 1, 10000);
    QCOMPARE(m_dialogs.messages().first(),
             QStringLiteral("簡訊閘道 %1 有回應（HTTP 200）。").arg(address));
    QVERIFY(request.startsWith("GET /front_end/sms HTTP/1.1\r\n"));
    // The browser the chain uses was not asked, and nothing was saved.
    QCOMPARE(m_browser->navigations(), navigations);
    QVERIFY(!QFile::exists(settingsPath()));

    gateway.close();
    QTest::mouseClick(m_form->Button6, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.errors().size(), 1, 15000);
    QVERIFY2(m_dialogs.errors().first().startsWith(
                 QStringLiteral("簡訊閘道 %1 沒有回應：").arg(address)),
             qPrintable(m_dialogs.errors().first()));
}

void TestSettings::autostartEntryWrittenAndRemoved()
{
    earlierRun();
    start();
    openSettingsPage();
    QVERIFY(!m_form->CheckBox2->isChecked());
    const QString entry = exeDir() + QStringLiteral("autostart/selvanto.desktop");

    QTest::mouseClick(m_form->CheckBox2, Qt::LeftButton);
    QVERIFY(m_form->CheckBox2->isChecked());
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    QVERIFY2(text.contains(QStringLiteral("\nExec=\"%1\" --autostart\n").arg(program)),
             qPrintable(text));

    QTest::mouseClick(m_form->CheckBox2, Qt::LeftButton);
    QVERIFY(!m_form->CheckBox2->isChecked());
    QVERIFY(!QFile::exists(entry));
    QCOMPARE(m_dialogs.errors(), QStringList());
}

void TestSettings::folderButtonOpensTheDataFolder()
{
    earlierRun();
    start();
    openSettingsPage();
    QCOMPARE(m_form->Edit6->text(), exeDir());
    QTest::mouseClick(m_form->Button8, Qt::LeftButton);
    QCOMPARE(m_opened, QStringList{exeDir()});
}

void TestSettings::firstStartMakesAnEmptyBookAndOffersImport()
{
    const QString csv = m_outside->filePath(QStringLiteral("phone.csv"));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("姓名,生日,手機號碼\n王小明,850305,0912345678\n");
    file.close();
    m_dialogs.queueAnswers({true});
    m_dialogs.queueFiles({csv});
    start(true);

    QVERIFY(QFile::exists(contactBookPath()));
    // The send log, made by this start, is the user's alone.
    QCOMPARE(QFile::permissions(exeDir() + QStringLiteral("sendlog.db")) & 0x7077,
             QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(m_dialogs.questions().size(), 2); // the offer, then the file to import
    QVERIFY2(m_dialogs.questions().first().contains(exeDir()),
             qPrintable(m_dialogs.questions().first()));
    QCOMPARE(m_dialogs.errors(), QStringList());
    QCOMPARE(readContactBook(contactBookPath()),
             QList<ContactRow>({{QStringLiteral("王小明"), QStringLiteral("850305"),
                                 QStringLiteral("0912345678")}}));
    QCOMPARE(m_form->PageControl1->currentWidget(), m_form->TabSheet1);
}

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
