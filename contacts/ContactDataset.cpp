#include "ContactDataset.h"

#include "ContactStore.h"
#include "Failure.h"
#include "SqliteAdvice.h"
#include "SqliteStatement.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <utility>

#include <sqlite3.h>

namespace {

constexpr int pageSize = 256;
// Pages of values kept; older ones are read again when needed.
constexpr int pagesKept = 64;

[[noreturn]] void failQuery(const QString& what, const QSqlQuery& query)
{
    const QSqlError error = query.lastError();
    throw Failure(contactfields::datasetFailure(sqliteadvice::explained(
        what + QStringLiteral(": ") + error.databaseText(), error.nativeErrorCode().toInt())));
}

} // namespace

ContactDataset::ContactDataset(ContactStore& store, QObject* parent)
    : ContactDataset(store, readKeys(store), parent)
{}

ContactDataset::ContactDataset(ContactStore& store, QList<qint64> keys, QObject* parent)
    : QAbstractTableModel(parent), m_store(store), m_keys(std::move(keys))
{
    m_current = m_keys.isEmpty() ? -1 : 0;
    m_dataVersion = m_store.dataVersion();
}

QList<qint64> ContactDataset::readKeys(const ContactStore& store)
{
    QList<qint64> keys;
    SqliteStatement rows(store.handle(), "SELECT rowid FROM contact ORDER BY rowid");
    while (rows.next())
        keys.append(rows.integer(0));
    return keys;
}

int ContactDataset::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_keys.size());
}

int ContactDataset::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : contactfields::count;
}

QVariant ContactDataset::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    if (index.row() == m_current && m_state != State::Browse)
        return m_buffer[index.column()];
    // A view asking for a cell cannot take a failure: the page is marked
    // unreadable, shown empty, and the failure reported once, after the
    // view has finished asking.
    const int page = index.row() / pageSize;
    if (m_unreadablePages.contains(page))
        return {};
    // A save waiting for the book is in the middle of a statement on this
    // connection: a paint meanwhile gets what is held, nothing is read.
    if (m_waiting) {
        const auto held = m_cache.constFind(m_keys[index.row()]);
        return held == m_cache.cend() ? QVariant() : (*held)[index.column()];
    }
    try {
        return storedValues(index.row())[index.column()];
    } catch (const Failure& failure) {
        m_unreadablePages.insert(page);
        auto* self = const_cast<ContactDataset*>(this);
        QMetaObject::invokeMethod(
            self, [self, text = failure.text()] { Q_EMIT self->readFailed(text); },
            Qt::QueuedConnection);
        return {};
    }
}

QVariant ContactDataset::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < contactfields::count ? contactfields::names[section].toString()
                                              : QVariant();
    if (section != m_current)
        return QString();
    switch (m_state) {
    case State::Browse:
        return QStringLiteral("▶");
    case State::Edit:
        return QStringLiteral("I");
    case State::Insert:
        return QStringLiteral("*");
    }
    return {};
}

Qt::ItemFlags ContactDataset::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool ContactDataset::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() != m_current)
        return false;
    edit();
    setFieldValue(index.column(), value);
    return true;
}

QVariant ContactDataset::fieldValue(int column) const
{
    if (m_current < 0)
        return {};
    return data(index(m_current, column), Qt::EditRole);
}

void ContactDataset::setFieldValue(int column, const QVariant& value)
{
    if (m_state == State::Browse)
        throw Failure(
            contactfields::datasetFailure(QStringLiteral("Dataset not in edit or insert mode")));
    const bool empty = value.isNull() || value.toString().isEmpty();
    m_buffer[column] = empty ? QVariant() : QVariant(value.toString());
    m_modified = true;
    m_changed[std::size_t(column)] = true;
    Q_EMIT dataChanged(index(m_current, column), index(m_current, column));
}

void ContactDataset::append()
{
    settle();
    addRow(int(m_keys.size()));
}

void ContactDataset::insert()
{
    settle();
    addRow(std::max(m_current, 0));
}

void ContactDataset::edit()
{
    if (m_state != State::Browse)
        return;
    if (m_keys.isEmpty()) {
        append();
        return;
    }
    m_buffer = storedValues(m_current);
    m_read = m_buffer;
    m_changed = {};
    m_modified = false;
    // The row is read afresh: a conflict found before is behind it.
    m_conflict = false;
    setState(State::Edit);
}

void ContactDataset::remove()
{
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_keys.isEmpty()) {
        throw Failure(contactfields::datasetFailure(
            QStringLiteral("Cannot perform this operation on an empty dataset\n"
                           "通訊錄是空的，沒有可以刪除的聯絡人。")));
    }
    const int row = m_current;
    const qint64 key = m_keys[row];
    const Values read = m_state == State::Edit ? m_read : storedValues(row);
    QSqlQuery query(m_store.database());
    query.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid=? AND %2")
                      .arg(contactfields::table, sameAsRead()));
    query.addBindValue(key);
    for (const QVariant& value : read)
        query.addBindValue(value);
    if (!execWaiting(query))
        failQuery(QStringLiteral("Could not delete the contact"), query);
    if (query.numRowsAffected() == 0)
        failChangedElsewhere(key);

    beginRemoveRows({}, row, row);
    m_keys.removeAt(row);
    m_cache.remove(key);
    m_state = State::Browse;
    m_modified = false;
    m_conflict = false;
    endRemoveRows();
    setCurrent(m_keys.isEmpty() ? -1 : std::min<int>(row, int(m_keys.size()) - 1));
}

void ContactDataset::post()
{
    if (m_state == State::Browse)
        return;
    writeRow();
    m_modified = false;
    m_conflict = false;
    setState(State::Browse);
    Q_EMIT dataChanged(index(m_current, 0), index(m_current, contactfields::count - 1));
}

void ContactDataset::cancel()
{
    if (m_state == State::Insert) {
        dropNewRow();
    } else if (m_state == State::Edit) {
        m_modified = false;
        setState(State::Browse);
        Q_EMIT dataChanged(index(m_current, 0), index(m_current, contactfields::count - 1));
    }
    if (std::exchange(m_conflict, false))
        refresh();
}

void ContactDataset::settle()
{
    if (m_state == State::Browse)
        return;
    if (m_modified && !m_conflict)
        post();
    else
        cancel();
}

void ContactDataset::moveBy(int distance)
{
    settle();
    if (m_keys.isEmpty())
        return;
    setCurrent(std::clamp<int>(m_current + distance, 0, int(m_keys.size()) - 1));
}

void ContactDataset::moveTo(int row)
{
    const int dropped = (m_state == State::Insert && !m_modified) ? m_newRow : -1;
    settle();
    if (m_keys.isEmpty())
        return;
    if (dropped >= 0 && row > dropped)
        --row;
    setCurrent(std::clamp<int>(row, 0, int(m_keys.size()) - 1));
}

void ContactDataset::first()
{
    moveTo(0);
}

void ContactDataset::last()
{
    settle();
    setCurrent(int(m_keys.size()) - 1);
}

void ContactDataset::reload()
{
    settle();
    readKeysAgain(true);
}

void ContactDataset::refresh()
{
    if (m_state == State::Browse && !m_waiting && m_holds == 0)
        readKeysAgain(false);
}

bool ContactDataset::changedElsewhere() const
{
    return m_store.dataVersion() != m_dataVersion;
}

void ContactDataset::readKeysAgain(bool showAdded)
{
    const qint64 lastKey = m_keys.isEmpty() ? 0 : m_keys.last();
    const qint64 currentKey = m_current >= 0 ? m_keys[m_current] : 0;
    QList<qint64> keys;
    SqliteStatement rows(
        m_store.handle(),
        QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid").arg(contactfields::table));
    while (rows.next())
        keys.append(rows.integer(0));
    m_dataVersion = m_store.dataVersion();
    beginResetModel();
    m_keys = keys;
    m_cache.clear();
    m_pages.clear();
    // A page that failed once (a lock, a damaged page since mended) is read
    // again when asked for.
    m_unreadablePages.clear();
    endResetModel();
    const auto firstAdded = std::upper_bound(m_keys.cbegin(), m_keys.cend(), lastKey);
    // The current row stays current; when another program deleted it, the
    // row now at its place is.
    const auto kept = std::lower_bound(m_keys.cbegin(), m_keys.cend(), currentKey);
    int row = m_keys.isEmpty() ? -1 : 0;
    if (showAdded && firstAdded != m_keys.cend())
        row = int(firstAdded - m_keys.cbegin());
    else if (!m_keys.isEmpty())
        row = std::min<int>(int(kept - m_keys.cbegin()), int(m_keys.size()) - 1);
    setCurrent(row);
}

ContactDataset::Values ContactDataset::storedValues(int row) const
{
    if (row < 0 || row >= m_keys.size() || row == m_newRow)
        return {};
    const qint64 key = m_keys[row];
    auto found = m_cache.constFind(key);
    if (found == m_cache.cend()) {
        loadPage(row);
        found = m_cache.constFind(key);
    }
    return found == m_cache.cend() ? Values{} : *found;
}

// Reads the values of the rows around this one by their keys. A row another
// program deleted meanwhile reads as empty; saving it then fails.
void ContactDataset::loadPage(int row) const
{
    const int start = row - row % pageSize;
    const int end = std::min<int>(start + pageSize, int(m_keys.size()));
    QList<qint64> keys;
    QStringList keyTexts;
    for (int i = start; i < end; ++i) {
        if (i != m_newRow && !m_cache.contains(m_keys[i])) {
            keys << m_keys[i];
            keyTexts << QString::number(m_keys[i]);
        }
    }
    QSqlQuery query(m_store.database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT rowid,%1 FROM %2 WHERE rowid IN (%3)")
                        .arg(contactfields::fieldList(), contactfields::table,
                             keyTexts.join(QLatin1Char(','))))) {
        failQuery(QStringLiteral("Could not read the contacts"), query);
    }
    QHash<qint64, Values> read;
    while (query.next()) {
        Values values;
        for (int column = 0; column < contactfields::count; ++column) {
            const QVariant value = query.value(column + 1);
            values[column] = value.isNull() ? QVariant() : QVariant(value.toString());
        }
        read.insert(query.value(0).toLongLong(), values);
    }
    // A damaged page ends the walk early: that is a failure, not rows that
    // happen to be empty.
    if (query.lastError().type() != QSqlError::NoError)
        failQuery(QStringLiteral("Could not read the contacts"), query);
    for (qint64 key : keys)
        m_cache.insert(key, read.value(key));
    m_pages.append(keys);
    while (m_pages.size() > pagesKept) {
        for (qint64 key : m_pages.takeFirst())
            m_cache.remove(key);
    }
}

void ContactDataset::setCurrent(int row)
{
    const int previous = m_current;
    m_current = row;
    announceCurrent(previous);
}

void ContactDataset::announceCurrent(int previous)
{
    const int row = m_current;
    if (previous >= 0 && previous < m_keys.size())
        Q_EMIT headerDataChanged(Qt::Vertical, previous, previous);
    if (row >= 0)
        Q_EMIT headerDataChanged(Qt::Vertical, row, row);
    Q_EMIT currentRowChanged(row);
}

void ContactDataset::setState(State state)
{
    m_state = state;
    if (m_current >= 0)
        Q_EMIT headerDataChanged(Qt::Vertical, m_current, m_current);
}

void ContactDataset::dropNewRow()
{
    const int row = m_newRow;
    beginRemoveRows({}, row, row);
    m_keys.removeAt(row);
    m_newRow = -1;
    m_state = State::Browse;
    m_modified = false;
    endRemoveRows();
    setCurrent(m_keys.isEmpty() ? -1 : std::min<int>(row, int(m_keys.size()) - 1));
}

void ContactDataset::addRow(int row)
{
    beginInsertRows({}, row, row);
    m_keys.insert(row, 0);
    m_newRow = row;
    m_buffer = {};
    m_modified = false;
    m_conflict = false;
    m_state = State::Insert;
    // The new row is current before the views see it, so they read its buffer.
    const int previous = m_current;
    m_current = row;
    endInsertRows();
    announceCurrent(previous);
}

QString ContactDataset::sameAsRead()
{
    // IS, not =, so a NULL field matches a NULL field.
    QStringList conditions;
    for (int column = 0; column < contactfields::count; ++column)
        conditions << contactfields::quotedName(column) + QStringLiteral(" IS ?");
    return conditions.join(QStringLiteral(" AND "));
}

void ContactDataset::failChangedElsewhere(qint64 key)
{
    // What the grid shows of the row is no longer what the file holds:
    // cancelling reads it again.
    m_cache.remove(key);
    m_conflict = true;
    Q_EMIT conflictFound();
    throw Failure(contactfields::datasetFailure(
        QStringLiteral("Row cannot be located for updating. Some values may have been "
                       "changed since it was last read.\n"
                       "此筆聯絡人已被其他程式修改，請按取消後重新載入")));
}

// A book another program holds locked is waited for outside SQLite: the
// statement gives up at once and is run again after a pause, until the
// store's timeout. The last failure is the query's error.
bool ContactDataset::execWaiting(QSqlQuery& query)
{
    BusyWait& busy = m_store.busyWait();
    const BusyWait::Immediate immediate(busy);
    QElapsedTimer waited;
    waited.start();
    bool done = query.exec();
    bool paused = false;
    while (!done) {
        const bool locked = (query.lastError().nativeErrorCode().toInt() & 0xff) == SQLITE_BUSY;
        if (!locked || waited.elapsed() >= busy.timeoutMs())
            break;
        m_waiting = true;
        BusyWait::pause();
        m_waiting = false;
        paused = true;
        done = query.exec();
    }
    if (paused) {
        // Rows a paint could not read meanwhile are shown now.
        if (!m_keys.isEmpty())
            Q_EMIT dataChanged(index(0, 0),
                               index(int(m_keys.size()) - 1, contactfields::count - 1));
        Q_EMIT waitEnded();
    }
    return done;
}

void ContactDataset::writeRow()
{
    QSqlQuery query(m_store.database());
    if (m_state == State::Insert) {
        query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (?,?,?)")
                          .arg(contactfields::table, contactfields::fieldList()));
        for (const QVariant& value : m_buffer)
            query.addBindValue(value);
    } else {
        if (std::none_of(m_changed.begin(), m_changed.end(), [](bool changed) { return changed; }))
            return;
        // Only the fields the user changed are written, and only while the
        // row still holds what was read: another program's or another
        // copy's change is never undone without a word.
        QStringList assignments;
        for (int column = 0; column < contactfields::count; ++column) {
            if (m_changed[std::size_t(column)])
                assignments << contactfields::quotedName(column) + QStringLiteral("=?");
        }
        query.prepare(
            QStringLiteral("UPDATE %1 SET %2 WHERE rowid=? AND %3")
                .arg(contactfields::table, assignments.join(QLatin1Char(',')), sameAsRead()));
        for (int column = 0; column < contactfields::count; ++column) {
            if (m_changed[std::size_t(column)])
                query.addBindValue(m_buffer[std::size_t(column)]);
        }
        query.addBindValue(m_keys[m_current]);
        for (const QVariant& value : m_read)
            query.addBindValue(value);
    }
    if (!execWaiting(query))
        failQuery(QStringLiteral("Could not save the contact"), query);

    if (m_state == State::Insert) {
        m_keys[m_current] = query.lastInsertId().toLongLong();
        m_newRow = -1;
    } else if (query.numRowsAffected() == 0) {
        failChangedElsewhere(m_keys[m_current]);
    }
    m_cache.insert(m_keys[m_current], m_buffer);
}
