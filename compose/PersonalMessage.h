#pragma once

#include "MessageCounter.h"

#include <QString>
#include <QStringList>

// A greeting made personal: "{姓名}" (or "{name}") in the message stands for
// the friend's name, and each friend then gets a text of their own.
namespace PersonalMessage {

// Whether the message holds the name's placeholder.
bool hasPlaceholder(const QString& message);

// The text the friend of this name gets: every placeholder replaced by the
// name. Without a name the placeholder goes, and so do the spaces around it
// where they would be left doubled, at a line's edge or before punctuation.
QString forName(const QString& message, const QString& name);

// The count for the friends of the recipient boxes, by their names (empty
// where none is known): what is left for the friend whose text leaves the
// fewest characters, each text by its own 140/70 budget. When a text is too
// long the message gives way, as the counter cuts it: the characters just
// before the caret, or the end when the caret is too near the start.
struct FriendCount
{
    CaretCount counted;      // budget and remaining are the tightest friend's
    qsizetype tightest = -1; // index into names; -1 without placeholder or names
};
FriendCount countForFriends(const QString& message, qsizetype caret, const QStringList& names);

} // namespace PersonalMessage
