#include "ScriptedWindow.h"

#include "ContactBookFiles.h"
#include "SendLog.h"

#include <QApplication>
#include <QDir>
#include <QTest>

void ScriptedWindow::newFolder()
{
    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid())
        qFatal("cannot make a temporary folder: %s", qPrintable(m_dir->errorString()));
    m_dialogs = RecordingDialogs();
    m_clock = FixedClock();
    m_browser = std::make_unique<FakeBrowser>();
}

void ScriptedWindow::closeWindow()
{
    m_form.reset();
    m_browser.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

FormServices ScriptedWindow::services(const QStringList& arguments)
{
    return {.exeDir = exeDir(),
            .arguments = arguments,
            .gatewayBase = m_gatewayBase,
            .builtInGateway = m_gatewayBase,
            .autostartFolder = exeDir() + QStringLiteral("autostart/"),
            .programCommand = QStringLiteral("selvanto"),
            .clock = &m_clock,
            .dialogs = &m_dialogs,
            .browser = m_browser.get(),
            .accessReader = QStringLiteral(SELVANTO_ACCESS_READER)};
}

void ScriptedWindow::makeForm(const QStringList& arguments)
{
    m_form = std::make_unique<TForm1>(services(arguments));
}

void ScriptedWindow::activateForm()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->activateWindow();
    QApplication::setActiveWindow(m_form.get());
}

void ScriptedWindow::giveFocus(QWidget* widget)
{
    widget->setFocus();
    QTRY_VERIFY(widget->hasFocus());
}

void ScriptedWindow::earlierRun()
{
    writeContactBook(contactBookPath(), {});
    const SendLog log(exeDir() + SendLog::fileName());
}

QStringList ScriptedWindow::folderEntries() const
{
    return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}
