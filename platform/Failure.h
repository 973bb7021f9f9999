#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// A failure whose text the user is shown. Every layer throws this; one guard
// per event turns it into the error box.
class Failure : public std::exception
{
public:
    explicit Failure(QString text);

    const QString& text() const noexcept { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

// Ends an event handler without any box: the handler has already told the user.
class SilentAbort : public std::exception
{
public:
    const char* what() const noexcept override { return "silent abort"; }
};
