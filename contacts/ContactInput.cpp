#include "ContactInput.h"

#include "BirthdayText.h"
#include "ContactFields.h"

namespace contactinput {

bool isMobileText(QStringView text)
{
    for (const QChar c : text) {
        const bool allowed = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                             c == QLatin1Char(' ') || c == QLatin1Char('+') ||
                             c == QLatin1Char('-') || c == QLatin1Char('(') ||
                             c == QLatin1Char(')');
        if (!allowed)
            return false;
    }
    return true;
}

QString birthdayRefusal(QStringView text)
{
    if (birthdaytext::isRealBookForm(text))
        return {};
    return QStringLiteral("生日「%1」不是真實的月日：第三、四位是月（01 到 12），"
                          "第五、六位是那個月的日。請改正，或按 Esc 放棄修改。")
        .arg(text);
}

QString pasteRefusal(int column, QStringView text)
{
    const int size = contactfields::sizes[column];
    const QString field = contactfields::names[column].toString();
    if (column == contactfields::Birthday) {
        if (birthdaytext::isSixDigits(text))
            return birthdayRefusal(text);
        return QStringLiteral("「%1」不是六位數字的生日，沒有貼上。").arg(text);
    }
    if (text.size() > size)
        return QStringLiteral("貼上的內容有 %1 個字元，「%2」最多 %3 個字元，沒有貼上。")
            .arg(text.size())
            .arg(field)
            .arg(size);
    if (column == contactfields::Mobile && !isMobileText(text))
        return QStringLiteral("「%1」不是手機號碼：只能有數字、空白和「+ - ( )」，沒有貼上。")
            .arg(text);
    return {};
}

} // namespace contactinput
