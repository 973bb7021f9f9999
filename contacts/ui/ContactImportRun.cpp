#include "ContactImportRun.h"

#include "Dialogs.h"
#include "Guard.h"

#include <QProgressDialog>
#include <QPushButton>

#include <exception>

namespace {

// Rows per turn of the event loop: a few milliseconds of work.
constexpr int rowsPerStep = 500;

} // namespace

ContactImportRun::ContactImportRun(ContactStore& store, std::unique_ptr<ContactReader> reader,
                                   Dialogs& dialogs, QWidget* window, Done done)
    : m_reader(std::move(reader)), m_dialogs(dialogs), m_done(std::move(done))
{
    m_import = std::make_unique<ContactImport>(store, *m_reader);
    m_progress = new QProgressDialog(QStringLiteral("正在匯入聯絡人…"), QString(), 0, 1000, window);
    m_progress->setObjectName(QStringLiteral("importProgress"));
    m_progress->setWindowTitle(QStringLiteral("匯入聯絡人"));
    auto* cancelButton = new QPushButton(QStringLiteral("取消"), m_progress);
    cancelButton->setObjectName(QStringLiteral("importCancel"));
    m_progress->setCancelButton(cancelButton);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setMinimumDuration(0);
    connect(m_progress, &QProgressDialog::canceled, this, &ContactImportRun::cancel);
    m_progress->show();
    connect(&m_timer, &QTimer::timeout, this, &ContactImportRun::step);
    m_timer.start(0);
}

ContactImportRun::~ContactImportRun()
{
    m_import.reset();
    delete m_progress;
}

// The timer is stopped while a step runs: the progress dialog processes
// events when its value is set, and a box shown for a failure runs its own
// event loop; neither may start another step.
void ContactImportRun::step()
{
    m_timer.stop();
    if (!m_import)
        return;
    std::optional<ImportReport> report;
    try {
        if (!m_import->step(rowsPerStep))
            report = m_import->finish();
    } catch (...) {
        // Rolled back before the box is shown, so the book is free meanwhile.
        const std::exception_ptr failure = std::current_exception();
        end(std::nullopt);
        runGuarded(m_dialogs, [&] { std::rethrow_exception(failure); });
        return;
    }
    if (report) {
        end(report);
        return;
    }
    m_progress->setValue(m_import->progress());
    if (m_import)
        m_timer.start(0);
}

void ContactImportRun::cancel()
{
    if (!m_import)
        return;
    end(std::nullopt);
    m_dialogs.showMessage(QStringLiteral("已取消匯入，通訊錄沒有改變。"));
}

void ContactImportRun::end(const std::optional<ImportReport>& report)
{
    m_timer.stop();
    // Rolled back unless finish() committed it.
    m_import.reset();
    m_progress->hide();
    m_done(report);
}
