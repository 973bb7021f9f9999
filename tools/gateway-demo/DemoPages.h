#pragma once

#include "SentMessage.h"

#include <QList>

// The demo gateway's pages: UTF-8 HTML with the forms and field names of the
// real gateway's site as the program fills them.
namespace DemoPages {

// The log-in form, with a line above it when the last log-in was refused.
QString logIn(const QString& refusal = {});
// The first form only shows the account and leads to log-out; the second is the sending form.
QString sending(const QString& account);
// The verification form is the first form; its button is named "submit".
QString verification(const QString& refusal = {});
// A plain page that says the refusal only in an alert box.
QString alert(const QString& text);
QString result(const SentMessage& message);
QString notice(const QString& title, const QString& text);
QString outbox(const QList<SentMessage>& messages);

} // namespace DemoPages
