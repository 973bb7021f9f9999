#pragma once

#include "ContactFields.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSet>
#include <QVariant>

#include <array>

class ContactStore;
class QSqlQuery;

// The contact table as a dataset: the rows in table order, a current row, and
// the states browse / edit / insert with one pending row buffer. It is also the
// grid's model. Only the row keys are read when it opens; the rows' values are
// read a page at a time when something asks for them.
class ContactDataset : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class State
    {
        Browse,
        Edit,
        Insert
    };
    using Values = std::array<QVariant, contactfields::count>;

    // Opens on the first row (none when the table is empty).
    explicit ContactDataset(ContactStore& store, QObject* parent = nullptr);
    // The same with the rows' keys read beforehand (readKeys), on any connection.
    ContactDataset(ContactStore& store, QList<qint64> keys, QObject* parent = nullptr);
    // Every row's key, in table order.
    static QList<qint64> readKeys(const ContactStore& store);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Writes into the current row's buffer, putting the row into edit state.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    State state() const { return m_state; }
    int currentRow() const { return m_current; }
    bool isEmpty() const { return m_keys.isEmpty(); }
    // Whether a field of the current row was set since it entered edit or
    // insert state.
    bool isModified() const { return m_modified; }
    // Whether the last save or delete failed because another program changed
    // or deleted the row meanwhile; cancel() then shows the file as it is.
    bool hasConflict() const { return m_conflict; }
    // Whether a save or delete is waiting for a book another program holds
    // locked. Meanwhile the dataset answers from the rows it holds.
    bool isWaiting() const { return m_waiting; }

    // The current row's value; null for a null field.
    QVariant fieldValue(int column) const;
    // Sets a field of the current row in edit or insert state. An empty text
    // is stored as null, as the grid always did.
    void setFieldValue(int column, const QVariant& value);

    // Settles the pending row, then adds an empty row at the end / before the
    // current row in insert state.
    void append();
    void insert();
    // Puts the current row into edit state; starts a new row on an empty table.
    void edit();
    // Deletes the current row at once; a new row is only dropped.
    void remove();
    // Saves the pending row. On failure the row stays pending.
    void post();
    // Drops a new row or gives an edited row its stored values back. After a
    // conflict it reads the rows again (refresh), so the row shows what the
    // file holds.
    void cancel();
    // Saves a pending row with changes, drops one without. A row whose save
    // failed for a conflict is abandoned: the user was told once.
    void settle();

    // Moving settles the pending row first; a failed save keeps the position.
    void moveBy(int distance);
    // Moves to the row shown at this position before the move; a new row that
    // is dropped on the way does not shift the target.
    void moveTo(int row);
    void first();
    void last();
    // Settles the pending row, then reads the row keys again after rows were
    // added behind the dataset's back (an import), and moves to the first
    // row added since, or stays where it was when there is none.
    void reload();
    // In browse state, reads the rows again, keeping the current row: rows
    // another program added appear, rows it deleted go, rows it changed show
    // its values. Does nothing while a row is edited or inserted, a save
    // waits or a command holds the rows.
    void refresh();
    // Held by a command for as long as it runs, boxes it opens included, so
    // the rows never change between a press and the action it starts.
    class Hold
    {
    public:
        explicit Hold(ContactDataset& dataset) : m_dataset(dataset) { ++m_dataset.m_holds; }
        ~Hold() { --m_dataset.m_holds; }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        ContactDataset& m_dataset;
    };
    // Whether another program changed the book since the rows were read.
    bool changedElsewhere() const;

    // How many rows have their values read, for checks that opening stays lazy.
    int loadedRowCount() const { return int(m_cache.size()); }

Q_SIGNALS:
    // The current row changed, or the rows around it did.
    void currentRowChanged(int row);
    // Rows a view asked for could not be read; they are shown empty.
    void readFailed(const QString& text);
    // A save or delete failed because another program changed the row.
    void conflictFound();
    // A save or delete that waited for a locked book is done waiting.
    void waitEnded();

private:
    Values storedValues(int row) const;
    void loadPage(int row) const;
    void setCurrent(int row);
    void announceCurrent(int previous);
    void setState(State state);
    void dropNewRow();
    void addRow(int row);
    void writeRow();
    bool execWaiting(QSqlQuery& query);
    void readKeysAgain(bool showAdded);
    static QString sameAsRead();
    [[noreturn]] void failChangedElsewhere(qint64 key);

    ContactStore& m_store;
    QList<qint64> m_keys;
    int m_newRow = -1;
    int m_current = -1;
    State m_state = State::Browse;
    bool m_modified = false;
    bool m_conflict = false;
    bool m_waiting = false;
    int m_holds = 0;
    qint64 m_dataVersion = 0;
    Values m_buffer;
    Values m_read; // the edited row as it was read, to find others' changes
    std::array<bool, contactfields::count> m_changed{};

    mutable QHash<qint64, Values> m_cache;
    mutable QList<QList<qint64>> m_pages;
    mutable QSet<int> m_unreadablePages;
};
