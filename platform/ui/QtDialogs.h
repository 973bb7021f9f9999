#pragma once

#include "Dialogs.h"

// Real modal boxes, centred on the screen, titled with the application title.
class QtDialogs : public Dialogs
{
public:
    explicit QtDialogs(QString title);

    void showMessage(const QString& text) override;
    void showError(const QString& text) override;
    bool confirm(const QString& text) override;
    bool askYesNo(const QString& text) override;
    bool askYesNoDefaultNo(const QString& text) override;
    QString fileToOpen(const QString& caption, const QString& filter) override;
    QString fileToSave(const QString& caption, const QString& filter) override;

private:
    QString m_title;
};
