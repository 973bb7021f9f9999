// selvanto-snapshot OUT_DIR: draws the main window off screen and writes one
// picture per page (contacts.png, sending.png, settings.png), for reviewing
// the layout; then starts a window over a sample contact book and writes the
// sending page with a greeting by name (greeting.png) and the birthdays
// ahead (upcoming.png).
// selvanto-snapshot --locate NAME: prints the centre of the named control in
// the window's client coordinates ("x y"), for scripts that click it.
#include "Clock.h"
#include "ContactBookTool.h"
#include "Dialogs.h"
#include "ExeDir.h"
#include "Fonts.h"
#include "Memo.h"
#include "QtDialogs.h"
#include "Unit1.h"
#include "WebEngineHost.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Answers every box at once with No, so the sample window's start-up runs
// through without anyone there.
class QuietDialogs : public Dialogs
{
public:
    void showMessage(const QString&) override {}
    void showError(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    bool confirm(const QString&) override { return false; }
    bool askYesNo(const QString&) override { return false; }
    bool askYesNoDefaultNo(const QString&) override { return false; }
    QString fileToOpen(const QString&, const QString&) override { return {}; }
    QString fileToSave(const QString&, const QString&) override { return {}; }
};

// A browser that shows an empty page and goes nowhere: the pictures are of
// the program's own controls.
class StillBrowser : public BrowserHost
{
public:
    // The window takes the page among its children and deletes it.
    QWidget* widget() override { return m_page; }
    void navigate(const QString&) override {}
    void runSteps(const QString&, const DomSteps&, std::function<void(const QString&)>) override {}
    void readAnswer(std::function<void(const AnswerPage&)>) override {}

private:
    QWidget* m_page = new QWidget;
};

bool savePage(TForm1& form, int page, const QDir& out, const char* file)
{
    form.PageControl1->setCurrentIndex(page);
    // A window that is never shown is laid out by drawing it; the pages'
    // scroll areas then settle their scroll bars in posted events, so the
    // picture is the drawing after those.
    form.grab();
    QCoreApplication::processEvents();
    const QString path = out.filePath(QString::fromLatin1(file));
    if (!form.grab().save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// A few friends around today: two today, one three days ago, three ahead.
void writeSampleBook(const QString& path, const QDate& today)
{
    createContactBook(path);
    const auto born = [&](const char* year, int days) {
        return QString::fromLatin1(year) + today.addDays(days).toString(QStringLiteral("MMdd"));
    };
    addContact(path, QStringLiteral("王小明"), born("85", 0), QStringLiteral("0912345678"));
    addContact(path, QStringLiteral("歐陽美玲"), born("90", 0), QStringLiteral("0922333444"));
    addContact(path, QStringLiteral("陳志豪"), born("78", -3), QStringLiteral("0933555666"));
    addContact(path, QStringLiteral("Anna Lee"), born("88", 2), QStringLiteral("0955111222"));
    addContact(path, QStringLiteral("林雅婷"), born("92", 9), QStringLiteral("0966777888"));
    addContact(path, QStringLiteral("張家豪"), born("80", 24), QStringLiteral("0977999000"));
}

// The window over the sample book, started as the program starts, with a
// greeting by name in the message.
bool saveSamplePages(const QDir& out)
{
    QTemporaryDir folder;
    SystemClock clock;
    writeSampleBook(folder.filePath(QStringLiteral("contact.mdb")), clock.now().date());
    QuietDialogs dialogs;
    StillBrowser browser;
    FormServices services;
    services.exeDir = folder.path() + QLatin1Char('/');
    services.clock = &clock;
    services.dialogs = &dialogs;
    services.browser = &browser;
    TForm1 form(services);
    form.setAttribute(Qt::WA_DontShowOnScreen);
    form.show();
    QElapsedTimer waited;
    waited.start();
    while (form.Edit11->text().isEmpty() && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    form.Memo1->setText(QStringLiteral("親愛的 {姓名}，生日快樂！祝你天天開心。"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_End, Qt::NoModifier);
    QCoreApplication::sendEvent(form.Memo1, &release);
    return savePage(form, 1, out, "greeting.png") && savePage(form, 4, out, "upcoming.png");
}

int printCentre(TForm1& form, const QString& name)
{
    QWidget* control = form.findChild<QWidget*>(name);
    if (!control) {
        std::fprintf(stderr, "no control named %s\n", qPrintable(name));
        return 1;
    }
    // Lay the window out as it will be shown, on the control's page.
    for (int page = 0; page < form.PageControl1->count(); ++page) {
        if (form.PageControl1->widget(page)->isAncestorOf(control))
            form.PageControl1->setCurrentIndex(page);
    }
    form.grab();
    const QPoint centre = control->mapTo(&form, control->rect().center());
    std::printf("%d %d\n", centre.x(), centre.y());
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const bool locate = arguments.size() == 3 && arguments.at(1) == QLatin1String("--locate");
    if (arguments.size() != 2 && !locate) {
        std::fprintf(stderr, "usage: selvanto-snapshot OUT_DIR\n"
                             "       selvanto-snapshot --locate CONTROL_NAME\n");
        return 1;
    }
    registerFontSubstitutions();

    SystemClock clock;
    QtDialogs dialogs(QStringLiteral("Selvanto"));
    WebEngineHost browser;
    FormServices services;
    services.exeDir = exeDir();
    services.clock = &clock;
    services.dialogs = &dialogs;
    services.browser = &browser;

    // The window is drawn without being shown, so the start-up steps do not run.
    TForm1 form(services);
    if (locate)
        return printCentre(form, arguments.at(2));

    const QDir out(arguments.at(1));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.absolutePath()));
        return 1;
    }
    const bool saved = savePage(form, 0, out, "contacts.png") &&
                       savePage(form, 1, out, "sending.png") &&
                       savePage(form, 3, out, "settings.png") && saveSamplePages(out);
    return saved ? 0 : 1;
}
