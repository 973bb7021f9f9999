#include "AccessReader.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

// Reads one Access contact book for the program, which runs this in a child
// process with limits: selvanto-access-reader FILE.
int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fputs("usage: selvanto-access-reader FILE\n", stderr);
        return 2;
    }
    return accessreader::runReader(arguments[1]);
}
