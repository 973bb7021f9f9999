#include "DesktopServices.h"
#include "Fonts.h"
#include "Unit1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    registerFontSubstitutions();

    DesktopServices desktop;
    TForm1 Form1(desktop.services());
    Form1.show();
    return QApplication::exec();
}
