#pragma once

#include "FakeBrowser.h"
#include "FixedClock.h"
#include "RecordingDialogs.h"
#include "Unit1.h"

#include <QTemporaryDir>

#include <memory>

// The main window over a program folder of its own, every outside service
// scripted: boxes are recorded, the clock is fixed, the browser is a fake.
// A test class derives from it, calls newFolder() from init() and
// closeWindow() from cleanup(), so every test starts as a fresh program.
class ScriptedWindow
{
protected:
    explicit ScriptedWindow(QString gatewayBase = QStringLiteral("http://127.0.0.1:1"))
        : m_gatewayBase(std::move(gatewayBase))
    {}

    // An empty program folder with new boxes, clock and browser; no window yet.
    void newFolder();
    // A new folder and a window over it, not shown yet.
    void newWindow()
    {
        newFolder();
        makeForm();
    }
    // Destroys the window before the browser it uses, then forgets what the
    // program keeps outside the window, so the next test starts clean.
    void closeWindow();

    // The services for a window over the program folder, started with these arguments.
    FormServices services(const QStringList& arguments = {});
    void makeForm(const QStringList& arguments = {});
    // Shows the window and makes it the active one, so focus and keys reach it.
    void activateForm();
    static void giveFocus(QWidget* widget);
    // Leaves in the folder what an earlier run leaves there: an empty
    // contact book and the send log, so a start-up adds no file of its own.
    void earlierRun();
    // Shows the window, which runs the whole start-up as the program's first
    // show does.
    void startWindow() { m_form->show(); }

    QString exeDir() const { return m_dir->path() + QLatin1Char('/'); }
    QString accountPath() const { return m_dir->filePath(QStringLiteral("account.ini")); }
    QString messagePath() const { return m_dir->filePath(QStringLiteral("sms.txt")); }
    QString contactBookPath() const { return m_dir->filePath(QStringLiteral("contact.mdb")); }
    QStringList folderEntries() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingDialogs m_dialogs;
    FixedClock m_clock;
    std::unique_ptr<FakeBrowser> m_browser;
    std::unique_ptr<TForm1> m_form;

private:
    QString m_gatewayBase;
};
