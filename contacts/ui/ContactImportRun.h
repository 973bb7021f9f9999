#pragma once

#include "ContactImport.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class ContactReader;
class ContactStore;
class Dialogs;
class QProgressDialog;
class QWidget;

// A contact import run from the event loop a few hundred rows at a time, so
// the window keeps drawing, with a progress dialog whose 取消 rolls the whole
// import back. A failure is shown through the boxes and rolls back too.
class ContactImportRun : public QObject
{
public:
    // Called once at the end: with the report when the import was committed,
    // with nothing when it was cancelled or failed.
    using Done = std::function<void(const std::optional<ImportReport>&)>;

    ContactImportRun(ContactStore& store, std::unique_ptr<ContactReader> reader, Dialogs& dialogs,
                     QWidget* window, Done done);
    // Rolls back an import that has not finished.
    ~ContactImportRun() override;

private:
    void step();
    void cancel();
    void end(const std::optional<ImportReport>& report);

    std::unique_ptr<ContactReader> m_reader;
    std::unique_ptr<ContactImport> m_import;
    Dialogs& m_dialogs;
    QPointer<QProgressDialog> m_progress;
    QTimer m_timer;
    Done m_done;
};
