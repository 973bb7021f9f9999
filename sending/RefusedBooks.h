#pragma once

#include <QString>

#include <optional>

// Contact books the program could not read because of the file itself (a
// damaged or crafted Access file), kept in the send log's file by path, size
// and modification time. A later start shows the same error at once instead
// of offering the same file again, until the file changes.
class RefusedBooks
{
public:
    // Opens the table in the SQLite file at logPath, creating both when
    // missing. Fails with the reason.
    explicit RefusedBooks(const QString& logPath);
    ~RefusedBooks();
    RefusedBooks(const RefusedBooks&) = delete;
    RefusedBooks& operator=(const RefusedBooks&) = delete;

    // The error shown when the book, as it is now, was refused.
    std::optional<QString> refusal(const QString& book) const;
    // Remembers the book as it is now with the error it gave.
    void remember(const QString& book, const QString& error);

private:
    QString m_connection;
    QString m_path;
};
