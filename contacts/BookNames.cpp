#include "BookNames.h"

#include "ContactFields.h"
#include "ContactStore.h"
#include "RecipientQueue.h"
#include "SqliteStatement.h"

#include <QStringList>

QString bookNamesFor(const ContactStore& store, const QString& number)
{
    const QString dialled = dialledNumber(number);
    if (dialled.isEmpty())
        return {};
    const QString mobile = contactfields::quotedName(contactfields::Mobile);
    SqliteStatement rows(
        store.handle(),
        QStringLiteral("SELECT %1 FROM %2 WHERE replace(replace(replace(replace(%3, ' ', ''), "
                       "'-', ''), '(', ''), ')', '') = ?1 ORDER BY rowid")
            .arg(contactfields::quotedName(contactfields::Name), contactfields::table, mobile));
    rows.bindText(1, dialled);
    QStringList names;
    while (rows.next()) {
        const QString name = rows.isNull(0) ? QString() : QString::fromUtf8(rows.text(0));
        if (!name.isEmpty() && !names.contains(name))
            names << name;
    }
    return names.join(QStringLiteral("、"));
}
