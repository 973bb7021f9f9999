#include "StartupSequence.h"

#include "Guard.h"

void StartupSequence::step(const std::function<void()>& run)
{
    stepThatMayStop([&] {
        run();
        return true;
    });
}

void StartupSequence::stepThatMayStop(const std::function<bool()>& run)
{
    if (m_ended)
        return;
    bool goesOn = false;
    if (!runGuarded(m_dialogs, [&] { goesOn = run(); }))
        goesOn = false;
    m_ended = !goesOn;
}
