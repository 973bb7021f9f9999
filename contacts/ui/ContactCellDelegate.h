#pragma once

#include <QStyledItemDelegate>

class ContactGrid;

// The grid's cell editors: text limited to the field's size, and for the
// birthday six digits with "_" for each position not yet filled. The grid
// decides what the editor's keys and focus changes do.
class ContactCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit ContactCellDelegate(ContactGrid* grid);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    // Writes only what the user changed, so a birthday longer than the mask
    // is never cut short by merely opening its editor.
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    ContactGrid* m_grid;
};
