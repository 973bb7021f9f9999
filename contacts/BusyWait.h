#pragma once

#include <QElapsedTimer>

struct sqlite3;

// Waits for a contact book that another program holds locked, as SQLite's
// own busy timeout does. While a command writes, the wait runs in short
// slices that keep the event loop running: the window keeps drawing and the
// browser keeps loading. User input waits until the write is done, so no
// other command starts in the middle of this one. Reads, which a view makes
// while it paints, wait plainly. After the timeout SQLite reports the lock
// ("database is locked") as before.
class BusyWait
{
public:
    explicit BusyWait(int timeoutMs) : m_timeoutMs(timeoutMs) {}
    BusyWait(const BusyWait&) = delete;
    BusyWait& operator=(const BusyWait&) = delete;

    // Becomes the connection's busy handler for as long as both live.
    void install(sqlite3* connection);

    // For as long as it lives, waits keep the event loop running.
    class Responsive
    {
    public:
        explicit Responsive(BusyWait& wait) : m_wait(wait), m_was(wait.m_responsive)
        {
            m_wait.m_responsive = true;
        }
        ~Responsive() { m_wait.m_responsive = m_was; }
        Responsive(const Responsive&) = delete;
        Responsive& operator=(const Responsive&) = delete;

    private:
        BusyWait& m_wait;
        bool m_was;
    };

private:
    static int onBusy(void* self, int attempts);
    bool waitSlice(int attempts);

    int m_timeoutMs;
    QElapsedTimer m_waited;
    bool m_responsive = false;
    bool m_inEventLoop = false;
};
