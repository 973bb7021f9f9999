#pragma once

#include "DomStep.h"

#include <QObject>
#include <QString>
#include <functional>

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
    // Runs one action's steps in the current page, in order, stopping at the
    // first element that is not there. Returns at once; done gets an empty
    // text when every step was done, otherwise the failure's text.
    virtual void runSteps(const DomSteps& steps,
                          std::function<void(const QString& failure)> done) = 0;

Q_SIGNALS:
    // Before each navigation the browser starts (typed, clicked, a form
    // submission, a redirect, a frame), with the address as the browser has it.
    void navigationStarting(const QString& address);
    // After each document has finished loading.
    void documentComplete();
};
