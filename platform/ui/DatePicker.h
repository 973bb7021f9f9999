#pragma once

#include <QDateTimeEdit>

// Date picker in the long date format with a calendar pop-up. Tab and
// Shift+Tab leave it for the next control instead of walking its sections.
class DatePicker : public QDateTimeEdit
{
    Q_OBJECT

public:
    explicit DatePicker(QWidget* parent = nullptr);

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
};
