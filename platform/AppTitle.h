#pragma once

#include <QString>

// The title of the program's boxes: the executable's file name without its
// directory and without everything from its first full stop, the first
// letter in upper case, every letter after it in lower case ("/opt/selvanto" and
// "/opt/SELVANTO.exe" both give "Selvanto").
QString applicationTitle(const QString& executablePath);
