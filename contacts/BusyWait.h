#pragma once

#include <QtGlobal>

struct sqlite3;

// Waits for a contact book that another program holds locked, as SQLite's
// own busy timeout does. Reads, which a view makes while it paints, and the
// worker's walk wait inside SQLite, sleeping in short slices. A command's
// write never does: SQLite's busy handler must not run the event loop (a
// paint or a timer could then use the connection in the middle of the
// statement), so while a write is Immediate the statement gives up at once
// and the command waits outside SQLite (pause) and tries again, the window
// drawing and the browser loading meanwhile. After the timeout SQLite's
// "database is locked" is the failure, as before.
class BusyWait
{
public:
    explicit BusyWait(int timeoutMs) : m_timeoutMs(timeoutMs) {}
    BusyWait(const BusyWait&) = delete;
    BusyWait& operator=(const BusyWait&) = delete;

    // Becomes the connection's busy handler for as long as both live.
    void install(sqlite3* connection);
    int timeoutMs() const { return m_timeoutMs; }

    // For as long as it lives, a locked book fails a statement at once.
    class Immediate
    {
    public:
        explicit Immediate(BusyWait& wait) : m_wait(wait), m_was(wait.m_immediate)
        {
            m_wait.m_immediate = true;
        }
        ~Immediate() { m_wait.m_immediate = m_was; }
        Immediate(const Immediate&) = delete;
        Immediate& operator=(const Immediate&) = delete;

    private:
        BusyWait& m_wait;
        bool m_was;
    };

    // Waits one short slice outside SQLite. On the application's thread the
    // event loop runs meanwhile, without user input, so no other command
    // starts in the middle of the one waiting; elsewhere the thread sleeps.
    static void pause();

private:
    static int onBusy(void* self, int attempts);
    bool waitSlice(int attempts);

    int m_timeoutMs;
    qint64 m_started = 0;
    bool m_immediate = false;
};
