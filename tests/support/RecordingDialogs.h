#pragma once

#include "Dialogs.h"

#include <QList>
#include <QStringList>
#include <functional>

// Records every box the program would show and answers questions from a
// queue, so no test ever waits on a modal box.
class RecordingDialogs : public Dialogs
{
public:
    struct Shown
    {
        enum Kind
        {
            Message,
            Error,
            Question
        } kind;
        QString text;
    };

    void showMessage(const QString& text) override;
    void showError(const QString& text) override;
    bool confirm(const QString& text) override;
    bool askYesNo(const QString& text) override;
    // Answered No, the default, when no answer is queued.
    bool askYesNoDefaultNo(const QString& text) override;
    // The file dialogs are recorded as questions with their caption and
    // answered from their own queue; empty (cancelled) when it is empty.
    QString fileToOpen(const QString& caption, const QString& filter) override;
    QString fileToSave(const QString& caption, const QString& filter) override;
    void queueFiles(const QStringList& paths) { m_files += paths; }

    // The next questions are answered with these, in order; the default when empty.
    void queueAnswers(QList<bool> answers) { m_answers += answers; }
    // Runs while a box is "open", to check what the window looked like then.
    void setOnShow(std::function<void(const Shown&)> hook) { m_onShow = std::move(hook); }
    // While a box is "open" the event loop runs for this long, as it does
    // under a real modal box: timers, posted events and paints then reach
    // the window in the middle of the handler that opened the box. Zero
    // (the default) answers at once.
    void runEventLoopWhileOpen(int milliseconds) { m_openMs = milliseconds; }

    const QList<Shown>& shown() const { return m_shown; }
    QStringList texts() const;
    QStringList messages() const;
    QStringList errors() const;
    QStringList questions() const;
    void clear() { m_shown.clear(); }

private:
    void record(Shown::Kind kind, const QString& text);

    QList<Shown> m_shown;
    QList<bool> m_answers;
    QStringList m_files;
    std::function<void(const Shown&)> m_onShow;
    int m_openMs = 0;
};
