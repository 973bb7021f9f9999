#include "WindowPlacement.h"

#include <algorithm>

namespace {

// The start of a span of `length` moved as little as possible to lie within
// [low, low + room); a span longer than the room starts at `low`.
int fitSpan(int start, int length, int low, int room)
{
    return std::max(low, std::min(start, low + room - length));
}

} // namespace

QRect fitWindowToScreen(const QRect& window, const QRect& available)
{
    if (available.isEmpty() || available.contains(window))
        return window;
    const QSize size = window.size().boundedTo(available.size());
    return {QPoint(fitSpan(window.x(), size.width(), available.x(), available.width()),
                   fitSpan(window.y(), size.height(), available.y(), available.height())),
            size};
}
