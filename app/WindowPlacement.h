#pragma once

#include <QRect>

// Where a window goes on the screen it opens on. `window` is the outer
// rectangle it asks for and `available` the screen's free area (without
// panels and docks), both in the same device-independent pixels. A window
// that fits keeps its rectangle; one that does not is moved just far enough
// to lie wholly on the screen; one larger than the free area is also cut down
// to the free area's size.
QRect fitWindowToScreen(const QRect& window, const QRect& available);
