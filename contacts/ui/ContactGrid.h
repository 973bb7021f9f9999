#pragma once

#include "ContactDataset.h"

#include <QLineEdit>
#include <QPointer>
#include <QTableView>

#include <functional>

class Dialogs;
class QAction;

// The contact grid: the three fields as titled columns, a row indicator, and
// in-place editing of the current row. Every move between rows goes through
// the dataset, so leaving a row saves it (or drops a new row that has no
// input), and a failed save keeps the grid on that row.
class ContactGrid : public QTableView
{
    Q_OBJECT

public:
    explicit ContactGrid(Dialogs& dialogs, QWidget* parent = nullptr);

    void setDataset(ContactDataset* dataset);
    // The buttons that act on the current row themselves (add, modify,
    // delete, save, cancel): the focus moving to one of them keeps an added
    // row without input, so that the button, not the focus change, decides
    // what becomes of it.
    void setCommandWidgets(const QList<QWidget*>& widgets);
    ContactDataset* dataset() const { return m_dataset; }

    // The open cell editor, if any.
    QLineEdit* cellEditor() const { return m_editor; }
    // Writes the open editor's text into the row and closes it. A changed,
    // incomplete birthday beeps, keeps the editor focused and fails.
    void commitEditor();

    // The context menu's "匯入聯絡人…" and "匯出聯絡人…".
    QAction* importAction() const { return m_importAction; }
    QAction* exportAction() const { return m_exportAction; }

    // Called by the cell delegate.
    void editorOpened(QLineEdit* editor, const QModelIndex& index);
    bool editorEvent(QLineEdit* editor, QEvent* event);

Q_SIGNALS:
    // The user asked to import a file: the one dropped, or, when path is
    // empty, one still to be chosen.
    void importRequested(const QString& path);
    void exportRequested();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

protected Q_SLOTS:
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    static CursorAction cursorAction(int key);
    bool run(const std::function<void()>& action);
    bool handleKey(QKeyEvent* event);
    void navigate(QKeyEvent* event);
    void nextRow();
    void priorRow();
    void enterKey();
    void escapeKey();
    void deleteWithQuestion();
    bool refusePaste(QLineEdit* editor);
    void discardEditor();
    void setColumn(int column);
    void followDataset();
    void focusChanged(QWidget* old, QWidget* now);
    bool contains(const QWidget* widget) const;

    Dialogs& m_dialogs;
    QPointer<ContactDataset> m_dataset;
    QPointer<QLineEdit> m_editor;
    QPersistentModelIndex m_editorIndex;
    QList<QPointer<QWidget>> m_commandWidgets;
    QAction* m_importAction;
    QAction* m_exportAction;
};
