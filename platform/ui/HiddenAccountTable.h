#pragma once

#include <QTableWidget>

// The hidden key/value list of the saved account. It holds the password and
// the verification code as plain text, so it takes no focus and tells
// accessibility tools nothing: no cell, header or child is announced.
class HiddenAccountTable : public QTableWidget
{
    Q_OBJECT

public:
    HiddenAccountTable(int rows, int columns, QWidget* parent = nullptr);
};
