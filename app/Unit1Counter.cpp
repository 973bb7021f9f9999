#include "Unit1.h"

#include "Failure.h"
#include "FocusToolTip.h"
#include "Memo.h"
#include "MessageCounter.h"
#include "PersonalMessage.h"

#include <QLabel>
#include <QLineEdit>

void TForm1::connectCounter()
{
    connect(Memo1, &Memo::keyReleased, this, &TForm1::Memo1KeyUp);
    connect(Memo1, &Memo::inputCommitted, this, &TForm1::Memo1KeyUp);
    connect(Memo1, &Memo::textChanged, this, &TForm1::showRecipientTexts);
    auto* focusToolTip = new FocusToolTip(this);
    for (QLineEdit* box : recipientBoxes()) {
        connect(box, &QLineEdit::textChanged, this, &TForm1::showRecipientTexts);
        focusToolTip->installOn(box);
    }
}

// With "{姓名}" in the message the count is the one of the friend in the
// boxes whose text leaves the fewest characters, and the label names them.
void TForm1::Memo1KeyUp()
{
    QStringList numbers;
    QStringList names;
    if (PersonalMessage::hasPlaceholder(Memo1->text())) {
        for (QLineEdit* box : recipientBoxes()) {
            if (box->text().isEmpty())
                continue;
            numbers << box->text();
            // While the book cannot be read the friend counts without a name;
            // sending then says why.
            try {
                names << nameFor(box->text());
            } catch (const Failure&) {
                names << QString();
            }
        }
    }
    const PersonalMessage::FriendCount counted =
        PersonalMessage::countForFriends(Memo1->text(), Memo1->caretIndex(), names);
    if (counted.counted.count.cut) {
        Memo1->setText(counted.counted.count.text);
        Memo1->setCaretIndex(counted.counted.caret);
    }
    if (counted.tightest < 0) {
        Edit4->setText(QString::number(countMessage(Memo1->text()).remaining));
        Label15->clear();
        return;
    }
    Edit4->setText(QString::number(counted.counted.count.remaining));
    Label15->setText(QStringLiteral("給%1").arg(friendOf(numbers[counted.tightest])));
}

// The count of a loaded message, shown without cutting it.
void TForm1::showCharactersLeft()
{
    const QString text = Memo1->text();
    Edit4->setText(QString::number(messageBudget(text) - int(text.size())));
}
