#include "Guard.h"

#include "Dialogs.h"
#include "Failure.h"

#include <QString>

QString errorBoxText(const QString& text)
{
    // A text ending in a Chinese sentence has its own full stop.
    if (!text.isEmpty() && text.back() > QLatin1Char('.') && text.back() != QChar(0x3002))
        return text + QLatin1Char('.');
    return text;
}

bool runGuarded(Dialogs& dialogs, const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const SilentAbort&) {
    } catch (const Failure& failure) {
        dialogs.showError(errorBoxText(failure.text()));
    } catch (const std::exception& other) {
        dialogs.showError(errorBoxText(QString::fromLocal8Bit(other.what())));
    }
    return false;
}
