#include "RecordingDialogs.h"

#include <QEventLoop>
#include <QTimer>

void RecordingDialogs::record(Shown::Kind kind, const QString& text)
{
    m_shown.append({kind, text});
    if (m_onShow)
        m_onShow(m_shown.last());
    if (m_openMs > 0) {
        QEventLoop open;
        QTimer::singleShot(m_openMs, &open, &QEventLoop::quit);
        open.exec();
    }
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

bool RecordingDialogs::askYesNo(const QString& text)
{
    return confirm(text);
}

bool RecordingDialogs::askYesNoDefaultNo(const QString& text)
{
    record(Shown::Question, text);
    return m_answers.isEmpty() ? false : m_answers.takeFirst();
}

QString RecordingDialogs::fileToOpen(const QString& caption, const QString&)
{
    record(Shown::Question, caption);
    return m_files.isEmpty() ? QString() : m_files.takeFirst();
}

QString RecordingDialogs::fileToSave(const QString& caption, const QString& filter)
{
    return fileToOpen(caption, filter);
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
