#include "Unit1.h"

void TForm1::connectGateway() {}

void TForm1::setScheduledDate(const QDateTime& now)
{
    Q_UNUSED(now);
}

void TForm1::proposeScheduledHour(int hour)
{
    Q_UNUSED(hour);
}

void TForm1::navigateToSmsPage() {}
