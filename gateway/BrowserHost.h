#pragma once

#include "DomStep.h"
#include "GatewayAnswer.h"

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

// How a navigation of the top-level page came about.
enum class NavigationKind
{
    Program,       // asked by the program (or typed)
    LinkClicked,   // a link followed in the page
    FormSubmitted, // a form of the page submitted
    Redirect,      // the server sent the browser on to another address
    Other          // the page sent itself elsewhere, history, reload
};

// A finished load of the top-level page.
struct PageLoad
{
    bool ok = true;
    QString address; // the page's address once loaded
    QString error;   // why it failed: the network's or the HTTP status's text
};

// What the program needs of the embedded browser. The window talks only to
// this interface; tests drive a scripted stand-in, the program a Qt WebEngine view.
class BrowserHost : public QObject
{
    Q_OBJECT

public:
    explicit BrowserHost(QObject* parent = nullptr);

    // The address of the most recent navigation this browser announced;
    // empty until the first. The log-in action checks it.
    const QString& lastUrl() const { return m_lastUrl; }

    // The widget that shows the pages.
    virtual QWidget* widget() = 0;
    // Starts loading the address in the top-level view and returns at once.
    virtual void navigate(const QString& address) = 0;
    // Runs one action's steps in the current page, in order, stopping at the
    // first element that is not there. Nothing is done unless the page shown
    // belongs to gatewayOrigin, and no form is submitted to another origin.
    // Returns at once; done gets an empty text when every step was done,
    // otherwise the failure's text.
    virtual void runSteps(const QString& gatewayOrigin, const DomSteps& steps,
                          std::function<void(const QString& failure)> done) = 0;
    // The shown page as an answer: its title, first line, forms, and the
    // alert boxes it raised since its navigation started.
    virtual void readAnswer(std::function<void(const AnswerPage& page)> done) = 0;

Q_SIGNALS:
    // Before each navigation of the top-level page, with the address as the
    // browser has it. Navigations inside frames are not announced.
    void navigationStarting(const QString& address, NavigationKind kind);
    // After each load of the top-level page has finished, or failed.
    void documentComplete(const PageLoad& load);
    // A form submission that runSteps started was stopped in the browser
    // because it was about to go to another origin (the page changed its
    // target while it was submitted); text is the error box text.
    void submissionRefused(const QString& text);

private:
    QString m_lastUrl;
};
