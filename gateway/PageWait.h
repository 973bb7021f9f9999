#pragma once

#include "BrowserHost.h"

// What the gateway buttons wait for from the browser, and which completed
// pages may act. Only a page the program itself asked for, or the answer to a
// form the program itself submitted, lets an action or the chain go on; any
// other navigation of the top-level page (a link, "登出", the page sending
// itself elsewhere) ends the wait, so no page load that no button started
// ever submits anything.
class PageWait
{
public:
    enum class Waiting
    {
        Nothing,
        PageLoad,   // the SMS page the program opened, or is still loading
        Submission, // steps that submit a form are running
        Answer      // the program's form was submitted; its answer is loading
    };
    enum class Outcome
    {
        None,         // nothing to do
        Ended,        // another navigation: the wait is over, nothing may act
        PageLoaded,   // the awaited page has loaded
        AnswerLoaded, // the answer to the program's own submission has loaded
        LoadFailed    // the awaited page or answer failed to load
    };

    bool isWaiting() const { return m_waiting != Waiting::Nothing; }

    void waitForPageLoad() { m_waiting = Waiting::PageLoad; }
    void waitForSubmission() { m_waiting = Waiting::Submission; }
    void stop() { m_waiting = Waiting::Nothing; }

    Outcome navigation(NavigationKind kind);
    Outcome completed(bool ok);

private:
    Waiting m_waiting = Waiting::Nothing;
};
