// selvanto-snapshot OUT_DIR: draws the main window off screen and writes one
// picture per page (contacts.png, sending.png), for reviewing the layout.
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

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    if (QCoreApplication::arguments().size() != 2) {
        std::fprintf(stderr, "usage: selvanto-snapshot OUT_DIR\n");
        return 1;
    }
    const QDir out(QCoreApplication::arguments().at(1));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.absolutePath()));
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
    const struct
    {
        int page;
        const char* file;
    } pictures[] = {{0, "contacts.png"}, {1, "sending.png"}};
    for (const auto& picture : pictures) {
        form.PageControl1->setCurrentIndex(picture.page);
        const QString path = out.filePath(QString::fromLatin1(picture.file));
        if (!form.grab().save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
