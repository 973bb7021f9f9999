#pragma once

#include <QString>

// Who may reach a file the program keeps beside itself: permissions carried
// over to a replacement, and links planted by another user.
namespace fileModes {

// Gives `to` the permission bits of `from`, so that a file replacing another
// is readable by no more people than the one it replaces. Fails with the
// reason.
void copyMode(const QString& from, const QString& to);

// Whether the path is a symbolic link that belongs to another user: such a
// link is never followed, since it may lead into that user's files.
bool isForeignLink(const QString& path);

} // namespace fileModes
