#include "Unit1.h"

#include "AccountFile.h"
#include "Dialogs.h"
#include "Failure.h"
#include "Guard.h"
#include "Memo.h"
#include "MessageFile.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>

void TForm1::connectFiles()
{
    // toggled, not clicked: the start-up's setChecked must run the handler
    // exactly as a click by the user does.
    connect(CheckBox1, &QCheckBox::toggled, this, [this] {
        if (m_accountWriteBackFailure) {
            try {
                CheckBox1Click();
            } catch (...) {
                *m_accountWriteBackFailure = std::current_exception();
            }
            return;
        }
        runGuarded(*m_services.dialogs, [this] { CheckBox1Click(); });
    });
    connect(BitBtn2, &QPushButton::clicked, this,
            guardedSlot(*m_services.dialogs, [this] { BitBtn2Click(); }));
}

void TForm1::loadSavedAccount()
{
    const std::optional<SavedAccount> saved = m_account->load();
    if (!saved)
        return;
    // The write-back below takes the values from the boxes, which hold a
    // limited number of characters: a longer value would be written back cut
    // short, so it is refused before anything is shown or written.
    const auto fits = [](const QLineEdit* edit, const QString& text) {
        return text.size() <= edit->maxLength();
    };
    if (!fits(Edit1, saved->name) || !fits(Edit2, saved->password) || !fits(Edit5, saved->code))
        throw Failure(QStringLiteral("無法載入帳號檔 %1：帳號、密碼或認證碼超過 %2 個字元。"
                                     "帳號檔未變更")
                          .arg(m_account->openedPath(), QString::number(Edit2->maxLength())));
    ValueListEditor2->setRowCount(0);
    ValueListEditor2->setRowCount(int(saved->entries.size()));
    for (int row = 0; row < saved->entries.size(); ++row) {
        ValueListEditor2->setItem(row, 0, new QTableWidgetItem(saved->entries[row].first));
        ValueListEditor2->setItem(row, 1, new QTableWidgetItem(saved->entries[row].second));
    }
    Edit1->setText(saved->name);
    Edit2->setText(saved->password);
    Edit5->setText(saved->code);

    // A file this program cannot read as its own, or one without an account
    // name, is not written back: writing would turn what was read into the
    // file's content. The box shows that the file is there.
    if (!saved->problem.isEmpty() || saved->name.isEmpty()) {
        const QSignalBlocker blocker(CheckBox1);
        CheckBox1->setChecked(true);
        if (!saved->problem.isEmpty())
            m_services.dialogs->showMessage(
                QStringLiteral("帳號檔 %1 不是本程式的格式：%2。\n已載入能讀出的帳號，"
                               "但沒有寫回檔案。要以本程式的格式儲存，請取消勾選後再勾選"
                               "「儲存帳號密碼」。")
                    .arg(m_account->openedPath(), saved->problem));
        return;
    }

    // Checking the box writes the file back; when that fails (a read-only
    // file, a full disk) the user is warned once and the start-up goes on.
    std::exception_ptr writeBackFailure;
    m_accountWriteBackFailure = &writeBackFailure;
    CheckBox1->setChecked(true);
    m_accountWriteBackFailure = nullptr;
    if (writeBackFailure)
        runGuarded(*m_services.dialogs, [&] { std::rethrow_exception(writeBackFailure); });
}

void TForm1::loadMessageText()
{
    if (const std::optional<QString> text = message::load(m_services.exeDir)) {
        Memo1->setText(*text);
        showCharactersLeft();
    }
}

void TForm1::releaseSavedAccount()
{
    m_account->release();
}

void TForm1::CheckBox1Click()
{
    if (CheckBox1->isChecked())
        m_account->save(Edit1->text(), Edit2->text(), Edit5->text());
    else
        forgetSavedAccount();
}

void TForm1::forgetSavedAccount()
{
    try {
        m_account->forget();
    } catch (...) {
        // The file is still there: the box keeps saying so.
        const QSignalBlocker blocker(CheckBox1);
        CheckBox1->setChecked(true);
        throw;
    }
}

void TForm1::BitBtn2Click()
{
    message::save(m_services.exeDir, Memo1->text());
}
