#pragma once

#include "ContactStore.h"

#include <QString>

#include <functional>
#include <future>
#include <thread>

namespace bookreader {
// Runs the event loop without user input until ready() holds, as under a
// message box; returns at once without an application.
void waitUntil(const std::function<bool()>& ready);
// Wakes a thread waiting in waitUntil.
void wake();
} // namespace bookreader

// Reads a contact book file on a worker thread with a connection of its own
// (opened, used and closed there), so the GUI thread can go on meanwhile.
template <typename Result> class BookReader
{
public:
    BookReader(const QString& path, std::function<Result(const ContactStore&)> read)
    {
        std::promise<Result> promise;
        m_result = promise.get_future();
        m_worker = std::thread([promise = std::move(promise), path, read]() mutable {
            try {
                const ContactStore store(path);
                promise.set_value(read(store));
            } catch (...) {
                promise.set_exception(std::current_exception());
            }
            bookreader::wake();
        });
    }
    // Waits for the worker: nothing outlives the book's owner.
    ~BookReader() { m_worker.join(); }
    BookReader(const BookReader&) = delete;
    BookReader& operator=(const BookReader&) = delete;

    // Waits for the result, keeping the browser going; a failure of the read
    // is thrown here, on the caller's thread. Can be taken once.
    Result take()
    {
        bookreader::waitUntil([this] {
            return m_result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        });
        return m_result.get();
    }

private:
    std::future<Result> m_result;
    std::thread m_worker;
};
