#include "ContactFields.h"

#include <QString>
#include <QStringList>

namespace contactfields {

QString datasetFailure(const QString& text)
{
    return datasetName.toString() + QStringLiteral(": ") + text;
}

QString quotedName(int column)
{
    return QLatin1Char('"') + names[column].toString() + QLatin1Char('"');
}

QString fieldList()
{
    QStringList quoted;
    for (int column = 0; column < count; ++column)
        quoted << quotedName(column);
    return quoted.join(QLatin1Char(','));
}

} // namespace contactfields
