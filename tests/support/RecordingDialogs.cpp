#include "RecordingDialogs.h"

void RecordingDialogs::record(Shown::Kind kind, const QString& text)
{
    m_shown.append({kind, text});
    if (m_onShow)
        m_onShow(m_shown.last());
}

void RecordingDialogs::showMessage(const QString& text)
{
    record(Shown::Message, text);
}

void RecordingDialogs::showError(const QString& text)
{
    record(Shown::Error, text);
}

bool RecordingDialogs::confirm(const QString& text)
{
    record(Shown::Question, text);
    return m_answers.isEmpty() ? true : m_answers.takeFirst();
}

bool RecordingDialogs::ask(const QString& text)
{
    return confirm(text);
}

QStringList RecordingDialogs::texts() const
{
    QStringList result;
    for (const Shown& shown : m_shown)
        result << shown.text;
    return result;
}

QStringList RecordingDialogs::messages() const
{
    QStringList result;
    for (const Shown& shown : m_shown) {
        if (shown.kind == Shown::Message)
            result << shown.text;
    }
    return result;
}

QStringList RecordingDialogs::errors() const
{
    QStringList result;
    for (const Shown& shown : m_shown) {
        if (shown.kind == Shown::Error)
            result << shown.text;
    }
    return result;
}

QStringList RecordingDialogs::questions() const
{
    QStringList result;
    for (const Shown& shown : m_shown) {
        if (shown.kind == Shown::Question)
            result << shown.text;
    }
    return result;
}
