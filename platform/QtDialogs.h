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
    bool ask(const QString& text) override;

private:
    QString m_title;
};
