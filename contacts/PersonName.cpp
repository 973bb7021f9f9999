#include "PersonName.h"

#include <algorithm>

namespace personname {
namespace {

bool hasHan(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.script() == QChar::Script_Han; });
}

} // namespace

QString join(const QString& family, const QString& given)
{
    const QString f = family.trimmed();
    const QString g = given.trimmed();
    if (f.isEmpty() || g.isEmpty())
        return f + g;
    if (hasHan(f) || hasHan(g))
        return f + g;
    return g + QLatin1Char(' ') + f;
}

} // namespace personname
