#pragma once

#include <QString>

// The directory of an executable's path, ending with a separator.
QString exeDirOf(const QString& executablePath);

// The directory of the running executable, ending with a separator. Every data
// file of the program lives here; the current directory is never used.
QString exeDir();
