#pragma once

#include "SentMessage.h"

#include <QList>

// The demo gateway's pages: UTF-8 HTML with the forms and field names of the
// real gateway's site as the program fills them.
namespace DemoPages {

QString logIn();
// The first form only shows the account and leads to log-out; the second is the sending form.
QString sending(const QString& account);
// The verification form is the first form; its button is named "submit".
QString verification();
QString result(const SentMessage& message);
QString notice(const QString& title, const QString& text);
QString outbox(const QList<SentMessage>& messages);

} // namespace DemoPages
