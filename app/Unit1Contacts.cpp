#include "Unit1.h"

#include "AccessBook.h"
#include "AccessConversion.h"
#include "AccessReader.h"
#include "BirthdayScanTask.h"
#include "ContactDataset.h"
#include "ContactFiles.h"
#include "ContactGrid.h"
#include "ContactImport.h"
#include "ContactImportRun.h"
#include "ContactStore.h"
#include "Dialogs.h"
#include "ExportTarget.h"
#include "Failure.h"
#include "Guard.h"
#include "MissedDays.h"
#include "RefusedBooks.h"
#include "SendLog.h"

#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The contact page's add, modify, delete and save commands show their own
// failures as "發生錯誤:" followed by the failure's text.
void guardContactCommand(Dialogs& dialogs, const std::function<void()>& command)
{
    try {
        command();
    } catch (const Failure& failure) {
        dialogs.showMessage(QStringLiteral("發生錯誤:") + failure.text());
    } catch (const std::exception& other) {
        dialogs.showMessage(QStringLiteral("發生錯誤:") + QString::fromLocal8Bit(other.what()));
    }
}

} // namespace

void TForm1::connectContactPage()
{
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    DBGrid1->setCommandWidgets({Button1, Button5, Button2, Button3, Button4});
    connect(DBGrid1, &ContactGrid::importRequested, this, &TForm1::importContactFile);
    connect(DBGrid1, &ContactGrid::exportRequested, this, &TForm1::exportContactFile);
}

void TForm1::openContactBook(const QDate& today)
{
    const QString path = m_services.exeDir + QStringLiteral("contact.mdb");
    offerAccessConversion(path);
    auto store = std::make_unique<ContactStore>(path);
    // One walk over the table on a worker, with its own connection, reads the
    // grid's keys and does the birthday scan, while this thread keeps the
    // browser loading the page; the scan step takes the scan's result.
    auto scan = std::make_unique<BirthdayScanTask>(path, today, missedDaysKept);
    auto table = std::make_unique<ContactDataset>(*store, scan->takeKeys());
    DBGrid1->setDataset(table.get());
    // The concurrent-edit message tells the user to press 取消.
    connect(table.get(), &ContactDataset::conflictFound, Button4,
            [this] { Button4->setEnabled(true); });
    ADOConnection1 = std::move(store);
    ADOTable1 = std::move(table);
    m_birthdayScan = std::move(scan);
    ADOTable1->first();
}

// An Access book that could not be read because of the file itself is not
// offered again at every start (the autostart would ask, or crash, every
// day): the same error comes at once, until the file changes. Remembering is
// a convenience: without the send log's file the question simply comes again.
void TForm1::offerAccessConversion(const QString& path)
{
    if (!accessbook::isAccessFile(path))
        return;
    std::unique_ptr<RefusedBooks> refused;
    std::optional<QString> earlier;
    try {
        refused = std::make_unique<RefusedBooks>(m_services.exeDir + SendLog::fileName());
        earlier = refused->refusal(path);
    } catch (const Failure&) {
        refused.reset();
    }
    if (earlier)
        throw Failure(*earlier);
    try {
        accessconversion::offer(path, *m_services.dialogs, m_services.accessReader);
    } catch (const accessreader::Unreadable& failure) {
        try {
            if (refused)
                refused->remember(path, failure.text());
        } catch (const Failure&) {
            // The error below is shown all the same.
        }
        throw;
    }
}

void TForm1::Button1Click()
{
    if (ADOTable1) {
        guardContactCommand(*m_services.dialogs, [this] { ADOTable1->append(); });
        focusContactGrid();
    }
    setSaveAndCancel(true);
}

void TForm1::Button5Click()
{
    if (ADOTable1) {
        guardContactCommand(*m_services.dialogs, [this] { ADOTable1->edit(); });
        focusContactGrid();
    }
    setSaveAndCancel(true);
}

// After add or modify the user types into the row at once, instead of into
// the button just pressed.
void TForm1::focusContactGrid()
{
    if (isVisible())
        DBGrid1->setFocus(Qt::OtherFocusReason);
}

void TForm1::Button2Click()
{
    if (ADOTable1)
        guardContactCommand(*m_services.dialogs, [this] { ADOTable1->remove(); });
    setSaveAndCancel(true);
}

void TForm1::Button3Click()
{
    if (ADOTable1 && ADOTable1->isModified())
        guardContactCommand(*m_services.dialogs, [this] { ADOTable1->post(); });
    setSaveAndCancel(false);
}

// Cancel has no guard of its own: a failure goes to the error box and the
// buttons keep their state.
void TForm1::Button4Click()
{
    runGuarded(*m_services.dialogs, [this] {
        if (ADOTable1)
            ADOTable1->cancel();
        setSaveAndCancel(false);
    });
}

// Closing the window saves a contact row with unsaved input, as leaving the
// row would, and drops an added row that has none. When the save fails the
// error is shown and the window stays open with the row as typed: nothing is
// lost, and 取消 or Escape abandons the row before closing.
bool TForm1::savePendingContact()
{
    if (!ADOTable1)
        return true;
    return runGuarded(*m_services.dialogs, [this] {
        DBGrid1->commitEditor();
        ADOTable1->settle();
    });
}

// Both settle the row being edited first, as leaving the row would: the
// import then sees it, and the export writes it. The import then runs from
// the event loop behind its progress dialog (ContactImportRun).
void TForm1::importContactFile(const QString& path)
{
    runGuarded(*m_services.dialogs, [&] {
        if (!ADOTable1)
            throw Failure(QStringLiteral("通訊錄沒有開啟，無法匯入聯絡人。"));
        if (m_contactImport)
            return;
        const ContactDataset::Hold hold(*ADOTable1);
        DBGrid1->commitEditor();
        ADOTable1->settle();
        const QString file = path.isEmpty()
                                 ? m_services.dialogs->fileToOpen(QStringLiteral("匯入聯絡人"),
                                                                  contactfiles::importFilter())
                                 : path;
        if (file.isEmpty())
            return;
        const std::optional<contactfiles::Format> format = contactfiles::formatOf(file);
        if (!format) {
            throw Failure(
                QStringLiteral("無法匯入「%1」：只認得 .vcf、.csv、.mdb 和 .accdb 檔。").arg(file));
        }
        std::unique_ptr<ContactReader> reader = openContactFile(file, *format);
        if (!reader)
            return;
        // The rows stay as they are until the import has ended.
        m_importHold.emplace(*ADOTable1);
        m_contactImport = std::make_unique<ContactImportRun>(
            *ADOConnection1, std::move(reader), *m_services.dialogs, this,
            [this](const std::optional<ImportReport>& report) {
                // The run ends inside its own handler: it is deleted later.
                m_contactImport.release()->deleteLater();
                m_importHold.reset();
                if (!report)
                    return;
                runGuarded(*m_services.dialogs, [&] {
                    ADOTable1->reload();
                    m_services.dialogs->showMessage(report->boxText());
                });
            });
    });
}

// The file's reader; when its encoding cannot be told from its bytes, the
// user is shown the first names as each candidate reads them and chooses one
// (nothing when none).
std::unique_ptr<ContactReader> TForm1::openContactFile(const QString& file,
                                                       contactfiles::Format format)
{
    try {
        // An Access file is read in the reader's process: a hostile one must not
        // take the window down.
        return contactfiles::open(file, format, {}, m_services.accessReader);
    } catch (const textencoding::UnclearEncoding& unclear) {
        if (unclear.candidates().isEmpty())
            throw;
        QString readings;
        for (const textencoding::Encoding candidate : unclear.candidates()) {
            readings += QStringLiteral("\n用 %1 讀取，前幾位的姓名是：%2")
                            .arg(textencoding::displayName(candidate),
                                 contactfiles::firstNames(file, format, candidate)
                                     .join(QStringLiteral("、")));
        }
        for (const textencoding::Encoding candidate : unclear.candidates()) {
            const QString name = textencoding::displayName(candidate);
            if (m_services.dialogs->askYesNo(
                    QStringLiteral("無法確定「%1」的編碼：它不是 UTF-8。").arg(file) + readings +
                    QStringLiteral("\n\n要用 %1 匯入嗎？").arg(name)))
                return contactfiles::open(file, format, candidate, m_services.accessReader);
        }
        return nullptr;
    }
}

void TForm1::exportContactFile()
{
    runGuarded(*m_services.dialogs, [&] {
        if (!ADOTable1)
            throw Failure(QStringLiteral("通訊錄沒有開啟，無法匯出聯絡人。"));
        const ContactDataset::Hold hold(*ADOTable1);
        DBGrid1->commitEditor();
        ADOTable1->settle();
        const QString file = m_services.dialogs->fileToSave(QStringLiteral("匯出聯絡人"),
                                                            contactfiles::exportFilter());
        if (file.isEmpty())
            return;
        const std::optional<contactfiles::Format> format = contactfiles::formatOf(file);
        if (!format || *format == contactfiles::Format::Access)
            throw Failure(QStringLiteral("無法匯出「%1」：請存成 .vcf 或 .csv 檔。").arg(file));
        exporttarget::refuseDatabase(ADOConnection1->path(), file);
        if (QFileInfo::exists(file) &&
            !m_services.dialogs->askYesNo(QStringLiteral("「%1」已經存在，要取代它嗎？").arg(file)))
            return;
        const ContactRecords records = contactfiles::readBook(*ADOConnection1);
        contactfiles::write(file, *format, records);
        m_services.dialogs->showMessage(QStringLiteral("匯出 %1 筆").arg(records.size()));
    });
}

// 取消 stays enabled after a row was found changed elsewhere: the message
// asks the user to press it.
void TForm1::setSaveAndCancel(bool enabled)
{
    Button3->setEnabled(enabled);
    Button4->setEnabled(enabled || (ADOTable1 && ADOTable1->hasConflict()));
}

void TForm1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshContacts();
}

// Coming back to the window after another program changed the book shows the
// rows as the file holds them, unless a row is being typed, edited or added.
// A mouse button held down is a press whose action has not run yet: the rows
// do not change under it.
void TForm1::refreshContacts()
{
    if (!ADOTable1 || ADOTable1->state() != ContactDataset::State::Browse ||
        DBGrid1->cellEditor() || QGuiApplication::mouseButtons() != Qt::NoButton)
        return;
    runGuarded(*m_services.dialogs, [this] {
        if (ADOTable1->changedElsewhere())
            ADOTable1->refresh();
    });
}

// A contact save waiting for a locked book keeps the event loop running: the
// browser's events wait for the save, so the chain never presses a button in
// its middle.
bool TForm1::deferWhileContactSaveWaits(std::function<void()> action)
{
    if (!ADOTable1 || !ADOTable1->isWaiting())
        return false;
    connect(ADOTable1.get(), &ContactDataset::waitEnded, this, std::move(action),
            Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
    return true;
}
