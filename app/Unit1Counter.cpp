#include "Unit1.h"

#include "Memo.h"
#include "MessageCounter.h"

#include <QLineEdit>

void TForm1::connectCounter()
{
    connect(Memo1, &Memo::keyReleased, this, &TForm1::Memo1KeyUp);
    connect(Memo1, &Memo::inputCommitted, this, &TForm1::Memo1KeyUp);
}

void TForm1::Memo1KeyUp()
{
    const CaretCount counted = countMessageAtCaret(Memo1->text(), Memo1->caretIndex());
    if (counted.count.cut) {
        Memo1->setText(counted.count.text);
        Memo1->setCaretIndex(counted.caret);
    }
    Edit4->setText(QString::number(countMessage(Memo1->text()).remaining));
}

// The count of a loaded message, shown without cutting it.
void TForm1::showCharactersLeft()
{
    const QString text = Memo1->text();
    Edit4->setText(QString::number(messageBudget(text) - int(text.size())));
}
