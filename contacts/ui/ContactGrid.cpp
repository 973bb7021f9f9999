#include "ContactGrid.h"

#include "ContactCellDelegate.h"
#include "ContactDataset.h"
#include "ContactFields.h"
#include "ContactInput.h"
#include "Dialogs.h"
#include "Failure.h"
#include "Guard.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>

#include <optional>

namespace {

constexpr std::array<int, contactfields::count> columnWidths = {103, 126, 118};
constexpr int indicatorWidth = 14;

bool isNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return false;
    }
}

// Keys the cell editor hands to the grid instead of handling them itself.
bool isGridKey(const QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    case Qt::Key_Insert:
        return event->modifiers() == Qt::NoModifier;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Delete:
        return ctrl;
    default:
        return false;
    }
}

} // namespace

QAbstractItemView::CursorAction ContactGrid::cursorAction(int key)
{
    switch (key) {
    case Qt::Key_Left:
        return MoveLeft;
    case Qt::Key_Right:
        return MoveRight;
    case Qt::Key_Home:
        return MoveHome;
    case Qt::Key_End:
        return MoveEnd;
    case Qt::Key_PageUp:
        return MovePageUp;
    default:
        return MovePageDown;
    }
}

ContactGrid::ContactGrid(Dialogs& dialogs, QWidget* parent) : QTableView(parent), m_dialogs(dialogs)
{
    setItemDelegate(new ContactCellDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionsClickable(false);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setFixedWidth(indicatorWidth);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    connect(qApp, &QApplication::focusChanged, this, &ContactGrid::focusChanged);

    m_importAction = new QAction(QStringLiteral("匯入聯絡人…"), this);
    m_exportAction = new QAction(QStringLiteral("匯出聯絡人…"), this);
    connect(m_importAction, &QAction::triggered, this, [this] { Q_EMIT importRequested({}); });
    connect(m_exportAction, &QAction::triggered, this, &ContactGrid::exportRequested);
    addAction(m_importAction);
    addAction(m_exportAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    setAcceptDrops(true);
}

namespace {

QStringList droppedFiles(const QMimeData* data)
{
    QStringList files;
    if (!data)
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

void acceptFiles(QDropEvent* event)
{
    if (droppedFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

} // namespace

// A file dropped on the grid is imported; anything else is refused.
void ContactGrid::dragEnterEvent(QDragEnterEvent* event)
{
    acceptFiles(event);
}

void ContactGrid::dragMoveEvent(QDragMoveEvent* event)
{
    acceptFiles(event);
}

void ContactGrid::dropEvent(QDropEvent* event)
{
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    for (const QString& file : files)
        Q_EMIT importRequested(file);
}

void ContactGrid::setDataset(ContactDataset* dataset)
{
    m_dataset = dataset;
    setModel(dataset);
    for (int column = 0; column < contactfields::count; ++column)
        setColumnWidth(column, columnWidths[column]);
    connect(dataset, &ContactDataset::currentRowChanged, this, &ContactGrid::followDataset);
    // Rows that could not be read are shown empty, never without a word.
    connect(dataset, &ContactDataset::readFailed, this,
            [this](const QString& text) { run([&text] { throw Failure(text); }); });
    followDataset();
}

void ContactGrid::editorOpened(QLineEdit* editor, const QModelIndex& index)
{
    m_editor = editor;
    m_editorIndex = index;
    // Typing in a cell puts the row into edit state.
    connect(editor, &QLineEdit::textEdited, this, [this] {
        if (m_dataset)
            run([this] { m_dataset->edit(); });
    });
}

bool ContactGrid::editorEvent(QLineEdit* editor, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || editor != m_editor)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key == QKeySequence::Paste)
        return refusePaste(editor);
    if (!isGridKey(key))
        return false;
    handleKey(key);
    return true;
}

bool ContactGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // Only the current row is edited in place.
    if (!m_dataset || index.row() != m_dataset->currentRow())
        return false;
    return QTableView::edit(index, trigger, event);
}

void ContactGrid::keyPressEvent(QKeyEvent* event)
{
    if (m_dataset && handleKey(event))
        return;
    QTableView::keyPressEvent(event);
}

bool ContactGrid::handleKey(QKeyEvent* event)
{
    const int key = event->key();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    event->accept();
    if (key == Qt::Key_Escape) {
        run([this] { escapeKey(); });
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        run([this] { enterKey(); });
    } else if (key == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        run([this] {
            commitEditor();
            m_dataset->insert();
        });
    } else if (key == Qt::Key_Delete && ctrl) {
        run([this] { deleteWithQuestion(); });
    } else if (isNavigationKey(key)) {
        run([&] {
            commitEditor();
            navigate(event);
        });
    } else {
        event->ignore();
        return false;
    }
    return true;
}

void ContactGrid::navigate(QKeyEvent* event)
{
    const int column = std::max(currentIndex().column(), 0);
    switch (event->key()) {
    case Qt::Key_Down:
        nextRow();
        break;
    case Qt::Key_Up:
        priorRow();
        break;
    case Qt::Key_Tab:
        if (column + 1 < contactfields::count) {
            setColumn(column + 1);
        } else {
            nextRow();
            setColumn(0);
        }
        break;
    case Qt::Key_Backtab:
        if (column > 0) {
            setColumn(column - 1);
        } else {
            priorRow();
            setColumn(contactfields::count - 1);
        }
        break;
    default: {
        const QModelIndex target = moveCursor(cursorAction(event->key()), event->modifiers());
        if (!target.isValid())
            return;
        if (target.row() != m_dataset->currentRow())
            m_dataset->moveTo(target.row());
        setColumn(target.column());
    }
    }
}

// Down on the last row appends a row; on a new row without input it only
// drops that row, or stays when the new row is the last one.
void ContactGrid::nextRow()
{
    const bool untouchedNew =
        m_dataset->state() == ContactDataset::State::Insert && !m_dataset->isModified();
    const bool onLast = m_dataset->currentRow() == m_dataset->rowCount() - 1;
    if (untouchedNew) {
        if (!onLast)
            m_dataset->cancel();
    } else if (onLast) {
        m_dataset->append();
    } else {
        m_dataset->moveBy(1);
    }
}

// Up from a new last row without input drops it.
void ContactGrid::priorRow()
{
    if (m_dataset->state() == ContactDataset::State::Insert && !m_dataset->isModified() &&
        m_dataset->currentRow() == m_dataset->rowCount() - 1) {
        m_dataset->cancel();
    } else {
        m_dataset->moveBy(-1);
    }
}

// Enter writes the cell being edited into the row, or opens the editor.
void ContactGrid::enterKey()
{
    if (m_editor)
        commitEditor();
    else
        QAbstractItemView::edit(currentIndex());
}

// Escape first abandons what was typed into the cell, then the row's changes.
void ContactGrid::escapeKey()
{
    if (m_editor && m_editor->isModified()) {
        discardEditor();
        return;
    }
    discardEditor();
    m_dataset->cancel();
}

void ContactGrid::deleteWithQuestion()
{
    if (m_dataset->isEmpty())
        return;
    discardEditor();
    if (m_dialogs.confirm(QStringLiteral("Delete record?")))
        m_dataset->remove();
}

void ContactGrid::commitEditor()
{
    if (!m_editor)
        return;
    QLineEdit* editor = m_editor;
    if (m_editorIndex.column() == contactfields::Birthday && editor->isModified() &&
        !editor->hasAcceptableInput()) {
        QApplication::beep();
        editor->setFocus();
        throw Failure(QStringLiteral("Invalid input value.  Use escape key to abandon changes\n"
                                     "生日要填滿六位數字，例如 800305；按 Esc 可放棄修改。"));
    }
    if (m_editorIndex.column() == contactfields::Birthday && editor->isModified()) {
        if (const QString refusal = contactinput::birthdayRefusal(editor->text());
            !refusal.isEmpty()) {
            QApplication::beep();
            editor->setFocus();
            throw Failure(refusal);
        }
    }
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

// A value the field cannot hold is refused as a whole with a message, never
// cut short or stripped by the editor.
bool ContactGrid::refusePaste(QLineEdit* editor)
{
    QString text = QGuiApplication::clipboard()->text();
    const QString typedAround =
        editor->hasSelectedText()
            ? editor->text().remove(editor->selectionStart(), editor->selectedText().size())
            : editor->text();
    const int column = m_editorIndex.column();
    // Only a birthday replaces the whole cell: its editor always shows six places.
    if (column != contactfields::Birthday)
        text = typedAround.left(editor->cursorPosition()) + text +
               typedAround.mid(editor->cursorPosition());
    const QString refusal = contactinput::pasteRefusal(column, text);
    if (refusal.isEmpty())
        return false;
    m_dialogs.showMessage(refusal);
    return true;
}

void ContactGrid::discardEditor()
{
    if (m_editor)
        closeEditor(m_editor, QAbstractItemDelegate::NoHint);
}

void ContactGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (editor == m_editor) {
        m_editor = nullptr;
        m_editorIndex = QPersistentModelIndex();
    }
    QTableView::closeEditor(editor, hint);
}

void ContactGrid::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex target = indexAt(event->position().toPoint());
    if (m_dataset && target.isValid()) {
        const bool leavesEditor = m_editor && target != m_editorIndex;
        const bool leavesRow = target.row() != m_dataset->currentRow();
        if (leavesEditor || leavesRow) {
            const bool done = run([&] {
                commitEditor();
                if (leavesRow) {
                    m_dataset->moveTo(target.row());
                    setColumn(target.column());
                }
            });
            // The rows may have shifted under the mouse: the move is complete.
            if (!done || leavesRow) {
                event->accept();
                return;
            }
        }
    }
    QTableView::mousePressEvent(event);
}

void ContactGrid::setColumn(int column)
{
    const int row = m_dataset->currentRow();
    if (row < 0)
        return;
    setCurrentIndex(model()->index(row, column));
}

// The grid shows the dataset's current row. An editor still open belongs to
// the row before the change: its text was written or abandoned already.
void ContactGrid::followDataset()
{
    discardEditor();
    const int row = m_dataset->currentRow();
    if (row < 0) {
        setCurrentIndex(QModelIndex());
        return;
    }
    const QModelIndex target = model()->index(row, std::max(currentIndex().column(), 0));
    setCurrentIndex(target);
    scrollTo(target);
}

// Leaving the grid writes the open cell and drops a new row without input.
// Focus moving into another window (a message box) is not leaving it.
void ContactGrid::focusChanged(QWidget* old, QWidget* now)
{
    if (!m_dataset || !old || !now || !contains(old) || contains(now))
        return;
    if (now->window() != window() || QApplication::activePopupWidget())
        return;
    run([this, now] {
        commitEditor();
        if (m_dataset->state() == ContactDataset::State::Insert && !m_dataset->isModified() &&
            !m_commandWidgets.contains(now))
            m_dataset->cancel();
    });
}

void ContactGrid::setCommandWidgets(const QList<QWidget*>& widgets)
{
    m_commandWidgets.clear();
    for (QWidget* widget : widgets)
        m_commandWidgets.append(widget);
}

bool ContactGrid::contains(const QWidget* widget) const
{
    return widget == this || isAncestorOf(widget);
}

bool ContactGrid::run(const std::function<void()>& action)
{
    std::optional<ContactDataset::Hold> hold;
    if (m_dataset)
        hold.emplace(*m_dataset);
    return runGuarded(m_dialogs, action);
}
