#pragma once

#include <functional>
#include <utility>

class Dialogs;
class QString;

// The text of the error box: a full stop is added when the last character
// sorts after "." and is not the Chinese full stop "。".
QString errorBoxText(const QString& text);

// Runs one event handler. A Failure (or any other exception) becomes the error
// box, a SilentAbort shows nothing; either way the window goes on.
// Returns true when the handler finished without a failure.
bool runGuarded(Dialogs& dialogs, const std::function<void()>& handler);

// A slot for connect(): runs the handler under runGuarded.
inline auto guardedSlot(Dialogs& dialogs, std::function<void()> handler)
{
    return [&dialogs, handler = std::move(handler)] { runGuarded(dialogs, handler); };
}
