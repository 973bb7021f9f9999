#pragma once

#include <QString>

// The program's modal boxes. The window reaches them only through this
// interface so tests can record and answer them without blocking.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // Information box: the text, one OK button, no icon.
    virtual void showMessage(const QString& text) = 0;
    // Error box: the text as given, stop icon, one OK button.
    virtual void showError(const QString& text) = 0;
    // Question with OK and Cancel; true when the user chose OK.
    virtual bool confirm(const QString& text) = 0;
    // Question with Yes and No; true when the user chose Yes.
    virtual bool askYesNo(const QString& text) = 0;
    // The same with No as the default: for a question where Yes may send a
    // greeting twice.
    virtual bool askYesNoDefaultNo(const QString& text) = 0;
    // A file to read or to write, chosen by the user among those the filter
    // names ("vCard (*.vcf);;CSV (*.csv)"); empty when the user cancelled.
    // Choosing an existing file to save is not yet consent to replace it.
    virtual QString fileToOpen(const QString& caption, const QString& filter) = 0;
    virtual QString fileToSave(const QString& caption, const QString& filter) = 0;
};
