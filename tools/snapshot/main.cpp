// selvanto-snapshot OUT_DIR: draws the main window off screen and writes one
// picture per page (contacts.png, sending.png, settings.png), for reviewing
// the layout.
// selvanto-snapshot --locate NAME: prints the centre of the named control in
// the window's client coordinates ("x y"), for scripts that click it.
#include "Clock.h"
#include "ExeDir.h"
#include "Fonts.h"
#include "QtDialogs.h"
#include "Unit1.h"
#include "WebEngineHost.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <cstdio>

namespace {

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
    const struct
    {
        int page;
        const char* file;
    } pictures[] = {{0, "contacts.png"}, {1, "sending.png"}, {3, "settings.png"}};
    for (const auto& picture : pictures) {
        form.PageControl1->setCurrentIndex(picture.page);
        // A window that is never shown is laid out by drawing it; the pages'
        // scroll areas then settle their scroll bars in posted events, so the
        // picture is the drawing after those.
        form.grab();
        QCoreApplication::processEvents();
        const QString path = out.filePath(QString::fromLatin1(picture.file));
        if (!form.grab().save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
