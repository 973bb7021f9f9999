#include "ContactCellDelegate.h"

#include "ContactFields.h"
#include "ContactGrid.h"
#include "ContactInput.h"

#include <QLineEdit>
#include <QValidator>

namespace {

// Lets only what a phone number is written with be typed, by the same rule
// that checks a pasted number.
class MobileValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override
    {
        return contactinput::isMobileText(input) ? Acceptable : Invalid;
    }
};

} // namespace

ContactCellDelegate::ContactCellDelegate(ContactGrid* grid)
    : QStyledItemDelegate(grid), m_grid(grid)
{}

QWidget* ContactCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                           const QModelIndex& index) const
{
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    if (index.column() == contactfields::Birthday)
        editor->setInputMask(QStringLiteral("999999;_"));
    else
        editor->setMaxLength(contactfields::sizes[index.column()]);
    if (index.column() == contactfields::Mobile)
        editor->setValidator(new MobileValidator(editor));
    m_grid->editorOpened(editor, index);
    return editor;
}

void ContactCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* line = static_cast<QLineEdit*>(editor);
    line->setText(index.data(Qt::EditRole).toString());
    line->selectAll();
}

void ContactCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                       const QModelIndex& index) const
{
    auto* line = static_cast<QLineEdit*>(editor);
    if (line->isModified())
        model->setData(index, line->text(), Qt::EditRole);
}

bool ContactCellDelegate::eventFilter(QObject* object, QEvent* event)
{
    return m_grid->editorEvent(static_cast<QLineEdit*>(object), event);
}
