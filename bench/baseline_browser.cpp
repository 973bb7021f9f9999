// The start-up baseline: the least a Qt WebEngine program must do to show one
// page in one window. Prints "ready ..." when the page has finished loading.
#include "BenchReport.h"

#include <QApplication>
#include <QWebEngineView>

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    if (QCoreApplication::arguments().size() != 2)
        return 2;
    QWebEngineView view;
    QObject::connect(&view, &QWebEngineView::loadFinished, &application, [](bool) {
        reportReady();
        QCoreApplication::quit();
    });
    view.resize(680, 539);
    view.show();
    view.load(QUrl(QCoreApplication::arguments().at(1)));
    return QApplication::exec();
}
