#include "Unit1.h"

void TForm1::connectContactPage() {}

void TForm1::openContactBook() {}

bool TForm1::scanBirthdays(const QDate& today)
{
    Q_UNUSED(today);
    return true;
}

void TForm1::greetOrClose() {}
