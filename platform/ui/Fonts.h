#pragma once

#include <QFont>

// The window's face "細明體" is a Windows font. Map it to a Ming-style
// Traditional Chinese face that the system has, so captions keep their look.
void registerFontSubstitutions();

// "細明體" at the given pixel height.
QFont mingFont(int pixelSize);
