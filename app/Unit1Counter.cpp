#include "Unit1.h"

#include "Memo.h"
#include "MessageCounter.h"

#include <QLineEdit>

void TForm1::connectCounter()
{
    connect(Memo1, &Memo::keyReleased, this, &TForm1::Memo1KeyUp);
}

void TForm1::Memo1KeyUp()
{
    const MessageCount count = countMessage(Memo1->text());
    if (count.cut)
        Memo1->setText(count.text);
    Edit4->setText(QString::number(count.remaining));
}
