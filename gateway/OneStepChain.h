#pragma once

#include <QString>

// The one-step chain's state, ChainStep: which action the next completed page
// triggers. Compared as exact text.
namespace OneStepChain {

inline const QString Idle;
inline const QString Send = QStringLiteral("Send");
inline const QString Auth = QStringLiteral("Auth");

enum class Next
{
    Nothing,
    PressSend,
    PressVerify
};

// ChainStep once log in has passed its address check.
QString afterLogIn(bool startedByChain);
// ChainStep once send has started.
QString afterSend(const QString& chainStep);
// ChainStep once verify has started.
QString afterVerify();
// What a completed page triggers.
Next onDocumentComplete(const QString& chainStep);

} // namespace OneStepChain
