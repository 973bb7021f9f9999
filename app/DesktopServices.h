#pragma once

#include "Clock.h"
#include "DataFolder.h"
#include "QtDialogs.h"
#include "Unit1.h"
#include "WebEngineHost.h"

// What the window is given on the desktop: the system clock, real message
// boxes titled after the program, the Qt WebEngine browser, the data folder
// (made here on the first start), the command-line arguments, the gateway
// address (the environment's, else the saved one, else the build's), the
// log-in autostart folder and the file manager. Made once the application
// exists.
class DesktopServices
{
public:
    // arguments: the command line after the program's name, as given.
    DesktopServices(const DataFolder& folder, const QStringList& arguments);
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
