#pragma once

#include <QString>
#include <QStringList>

// The page the gateway answered a submitted form with, as far as the program
// reads it: enough to tell an acceptance from a refusal and to quote it.
struct AnswerPage
{
    QString title;
    QString firstLine;  // the first line of its text that is not the title
    QStringList alerts; // the texts of the alert boxes it raised while loading
    // Which of the gateway's forms it shows: that of the step just submitted
    // shown again means the step was refused.
    bool hasLogInForm = false;      // "fuid" and "pwd"
    bool hasFilledSendForm = false; // "InputMsg" holding text
    bool hasVerifyForm = false;     // "auth_code"
};

// Whether an answer page refuses the form just submitted. The words are the
// ones gateways write; a page with a success word in its title or first line
// ("發送成功 3 筆，失敗 0 筆") is no refusal by words.
namespace GatewayAnswer {

enum class Step
{
    LogIn,
    Send,
    Verify
};

const QStringList& refusalWords();
const QStringList& successWords();

bool isRefusal(Step step, const AnswerPage& page);
// What the error box says of a refusal: the step and the page in its own words.
QString refusalText(Step step, const AnswerPage& page);
// The page's own words: its title, first line and refusing alerts.
QString reason(const AnswerPage& page);
// The same without the title.
QString detail(const AnswerPage& page);

} // namespace GatewayAnswer
