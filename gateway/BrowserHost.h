#pragma once

#include <QObject>
#include <QString>

class QWidget;

// What the program needs of the embedded browser. The window talks only to
// this interface; tests drive a scripted stand-in, the program a Qt WebEngine view.
class BrowserHost : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The widget that shows the pages.
    virtual QWidget* widget() = 0;
    // Starts loading the address in the top-level view and returns at once.
    virtual void navigate(const QString& address) = 0;

Q_SIGNALS:
    // Before each navigation the browser starts (typed, clicked, a form
    // submission, a redirect, a frame), with the address as the browser has it.
    void navigationStarting(const QString& address);
    // After each document has finished loading.
    void documentComplete();
};
