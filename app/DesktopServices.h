#pragma once

#include "Clock.h"
#include "QtDialogs.h"
#include "Unit1.h"
#include "WebEngineHost.h"

// What the window is given on the desktop: the system clock, real message
// boxes titled after the program, the Qt WebEngine browser, the program's own
// folder, its command-line arguments and the gateway address it was built
// with (or the one the environment names). Made once the application exists.
class DesktopServices
{
public:
    // arguments: the command line after the program's name, as given.
    explicit DesktopServices(const QStringList& arguments);
    DesktopServices(const DesktopServices&) = delete;
    DesktopServices& operator=(const DesktopServices&) = delete;

    const FormServices& services() const { return m_services; }
    WebEngineHost& browser() { return m_browser; }

private:
    SystemClock m_clock;
    QtDialogs m_dialogs;
    WebEngineHost m_browser;
    FormServices m_services;
};
