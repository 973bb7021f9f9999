#pragma once

#include <QString>

#include <optional>

// The saved message text: "sms.txt" beside the executable, the memo's text in
// the ANSI code page, byte for byte, with no byte-order mark.
namespace message {

QString filePath(const QString& exeDir);

// The file's text, or nothing when there is no file. Every byte is taken as
// ANSI text (a byte-order mark is not recognised); text after the first NUL
// byte is dropped. Throws Failure when the file cannot be opened.
std::optional<QString> load(const QString& exeDir);

// The text of a file's bytes, as load() reads them.
QString decodeFileBytes(const QByteArray& bytes);

// Replaces the file with the text, exactly as given. The file always holds
// either the old or the new text. Throws Failure, leaving the file as it was,
// when the system refuses or when the code page cannot hold a character.
void save(const QString& exeDir, const QString& text);

} // namespace message
