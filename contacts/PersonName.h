#pragma once

#include <QString>

// A person's name put together from its parts, as the book keeps it.
namespace personname {

// Chinese names run family name first with no space; others "given family".
QString join(const QString& family, const QString& given);

} // namespace personname
