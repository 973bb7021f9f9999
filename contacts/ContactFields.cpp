#include "ContactFields.h"

#include <QString>

namespace contactfields {

QString datasetFailure(const QString& text)
{
    return datasetName.toString() + QStringLiteral(": ") + text;
}

QString quotedName(int column)
{
    return QLatin1Char('"') + names[column].toString() + QLatin1Char('"');
}

} // namespace contactfields
