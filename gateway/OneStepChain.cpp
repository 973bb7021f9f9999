#include "OneStepChain.h"

namespace OneStepChain {

QString afterLogIn(bool startedByChain)
{
    return startedByChain ? Send : Idle;
}

QString afterSend(const QString& chainStep)
{
    return chainStep == Send ? Auth : chainStep;
}

QString afterVerify()
{
    return Idle;
}

Next onDocumentComplete(const QString& chainStep)
{
    if (chainStep == Send)
        return Next::PressSend;
    if (chainStep == Auth)
        return Next::PressVerify;
    return Next::Nothing;
}

} // namespace OneStepChain
