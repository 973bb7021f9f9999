#pragma once

#include <QElapsedTimer>

struct sqlite3;

// Waits for a contact book that another program holds locked, as SQLite's
// own busy timeout does, but in short slices that keep the event loop
// running: the window keeps drawing and the browser keeps loading while a
// save waits. User input waits until the save is done, so no other command
// starts in the middle of this one. After the timeout SQLite reports the
// lock ("database is locked") as before.
class BusyWait
{
public:
    explicit BusyWait(int timeoutMs) : m_timeoutMs(timeoutMs) {}
    BusyWait(const BusyWait&) = delete;
    BusyWait& operator=(const BusyWait&) = delete;

    // Becomes the connection's busy handler for as long as both live.
    void install(sqlite3* connection);

private:
    static int onBusy(void* self, int attempts);
    bool waitSlice(int attempts);

    int m_timeoutMs;
    QElapsedTimer m_waited;
    bool m_inEventLoop = false;
};
