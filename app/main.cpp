#include "DesktopServices.h"
#include "Fonts.h"
#include "InfoSwitches.h"
#include "Unit1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (const std::optional<int> exitCode = answerInfoSwitch(argc, argv))
        return *exitCode;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    registerFontSubstitutions();

    DesktopServices desktop;
    TForm1 Form1(desktop.services());
    Form1.show();
    return QApplication::exec();
}
