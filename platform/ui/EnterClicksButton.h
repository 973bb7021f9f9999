#pragma once

#include <QObject>

class QWidget;

// Enter and keypad Enter press the push button that has the focus, as Space
// does; Qt alone does that only in dialogs. One filter serves every button
// it is installed on; other widgets keep their own meaning of Enter.
class EnterClicksButton : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Installs the filter on every push button inside `area`.
    void installOnButtonsIn(QWidget* area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
