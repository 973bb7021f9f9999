#include "AccessReader.h"
#include "ContactBookTool.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    // Access files are read in the reader's process, as the window reads them.
    return runContactBookTool(QCoreApplication::arguments().mid(1), out, err,
                              accessreader::installedReader());
}
