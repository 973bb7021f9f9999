#include "PageWait.h"

PageWait::Outcome PageWait::navigation(NavigationKind kind)
{
    bool goesOn = false;
    switch (m_waiting) {
    case Waiting::Nothing:
        return Outcome::None;
    case Waiting::PageLoad:
        goesOn = kind == NavigationKind::Program || kind == NavigationKind::Redirect;
        break;
    case Waiting::Submission:
        goesOn = kind == NavigationKind::FormSubmitted;
        if (goesOn)
            m_waiting = Waiting::Answer;
        break;
    case Waiting::Answer:
        goesOn = kind == NavigationKind::Redirect;
        break;
    }
    if (goesOn)
        return Outcome::None;
    m_waiting = Waiting::Nothing;
    return Outcome::Ended;
}

PageWait::Outcome PageWait::completed(bool ok)
{
    const Waiting was = m_waiting;
    // A load that finishes while the steps still run belongs to an earlier
    // navigation: it is not the answer.
    if (was != Waiting::PageLoad && was != Waiting::Answer)
        return Outcome::None;
    m_waiting = Waiting::Nothing;
    if (!ok)
        return Outcome::LoadFailed;
    return was == Waiting::PageLoad ? Outcome::PageLoaded : Outcome::AnswerLoaded;
}
