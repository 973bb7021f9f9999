// The refusal rule on any answer page the gateway may send: the page's title,
// first line and alert texts come from the site. A page that shows the step's
// form again is always a refusal; a page with no form, no alert and a success
// word in its title never is; the error box always names the step and quotes
// the page.

#include "FuzzCheck.h"
#include "GatewayAnswer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the step and the forms; the rest, as UTF-16, is
    // the title, the first line and the alerts, parted by line feeds.
    const auto step = GatewayAnswer::Step(data[0] % 3);
    const QStringList parts = utf16FromBytes(data + 1, size - 1).split(QLatin1Char('\n'));
    AnswerPage page;
    page.title = parts.value(0);
    page.firstLine = parts.value(1);
    page.alerts = parts.mid(2);
    page.hasLogInForm = data[0] & 0x10;
    page.hasFilledSendForm = data[0] & 0x20;
    page.hasVerifyForm = data[0] & 0x40;

    const bool refused = GatewayAnswer::isRefusal(step, page);
    const bool formAgain = (step == GatewayAnswer::Step::LogIn && page.hasLogInForm) ||
                           (step == GatewayAnswer::Step::Send && page.hasFilledSendForm) ||
                           (step == GatewayAnswer::Step::Verify && page.hasVerifyForm);
    if (formAgain)
        fuzzCheck(refused, "a form shown again is a refusal", page.title);

    AnswerPage success = page;
    success.title += QStringLiteral("成功");
    success.alerts.clear();
    success.hasLogInForm = success.hasFilledSendForm = success.hasVerifyForm = false;
    fuzzCheck(!GatewayAnswer::isRefusal(step, success), "a success title is no refusal",
              success.title);

    const QString text = GatewayAnswer::refusalText(step, page);
    fuzzCheck(text.contains(QStringLiteral("沒有成功，閘道回覆：")), "the box names the step",
              text);
    fuzzCheck(text.contains(page.title.trimmed()), "the box quotes the title", text);
    return 0;
}
