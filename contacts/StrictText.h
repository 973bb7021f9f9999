#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// Text of imported files, decoded only when every byte is valid: a file in
// another encoding is refused, never read as garbled text.
namespace stricttext {

std::optional<QString> utf8(QByteArrayView bytes);
// Code page 950 (Big5 as Windows has it).
std::optional<QString> big5(QByteArrayView bytes);
// The decoder for a charset a file names (UTF-8, Big5, CP950, ...); nothing
// when the name is unknown or the bytes are not valid in it.
std::optional<QString> named(QByteArrayView charset, QByteArrayView bytes);

} // namespace stricttext
