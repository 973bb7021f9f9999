#pragma once

#include <functional>

class Dialogs;

// Runs the start-up steps in the order they are given. A step that stops the
// start-up early, or that fails, ends the sequence: every later step is
// skipped, every earlier one stays done. A failure shows its error box once.
class StartupSequence
{
public:
    explicit StartupSequence(Dialogs& dialogs) : m_dialogs(dialogs) {}

    void step(const std::function<void()>& run);
    // The step returns false to stop the start-up early.
    void stepThatMayStop(const std::function<bool()>& run);

private:
    Dialogs& m_dialogs;
    bool m_ended = false;
};
