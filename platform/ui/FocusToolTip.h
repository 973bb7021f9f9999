#pragma once

#include <QObject>

class QWidget;

// Shows a widget's tool tip when it takes the keyboard focus, as hovering
// does, so the keyboard user sees it too. One filter serves every widget it
// is installed on.
class FocusToolTip : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    void installOn(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
