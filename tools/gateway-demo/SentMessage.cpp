#include "SentMessage.h"

#include <QJsonArray>

QJsonObject SentMessage::toJson() const
{
    QJsonObject json{{QStringLiteral("account"), account},
                     {QStringLiteral("text"), text},
                     {QStringLiteral("mobiles"), QJsonArray::fromStringList(mobiles)},
                     {QStringLiteral("sendType"),
                      scheduled ? QStringLiteral("scheduled") : QStringLiteral("immediate")},
                     {QStringLiteral("acceptedAt"), acceptedAt.toString(Qt::ISODate)}};
    if (scheduled) {
        json.insert(QStringLiteral("schedule"), QJsonObject{{QStringLiteral("year"), year},
                                                            {QStringLiteral("month"), month},
                                                            {QStringLiteral("day"), day},
                                                            {QStringLiteral("hour"), hour},
                                                            {QStringLiteral("minute"), minute}});
    }
    return json;
}
