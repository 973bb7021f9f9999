#include "QtDialogs.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>

namespace {

// Keeps a box in the middle of the screen through every change of its size:
// a message box takes its final size only as it is shown, once its text has
// been wrapped, and may grow again after that.
class CentredOnScreen : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show) {
            auto* box = static_cast<QWidget*>(watched);
            if (const QScreen* screen = QGuiApplication::primaryScreen()) {
                QRect frame = box->frameGeometry();
                frame.moveCenter(screen->availableGeometry().center());
                box->move(frame.topLeft());
            }
        }
        return false;
    }
};

int execCentred(QMessageBox& box)
{
    CentredOnScreen centred;
    box.installEventFilter(&centred);
    return box.exec();
}

} // namespace

QtDialogs::QtDialogs(QString title) : m_title(std::move(title)) {}

void QtDialogs::showMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, m_title, text, QMessageBox::Ok);
    execCentred(box);
}

void QtDialogs::showError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, m_title, text, QMessageBox::Ok);
    execCentred(box);
}

bool QtDialogs::confirm(const QString& text)
{
    QMessageBox box(QMessageBox::Question, m_title, text, QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    return execCentred(box) == QMessageBox::Ok;
}

bool QtDialogs::askYesNo(const QString& text)
{
    QMessageBox box(QMessageBox::Question, m_title, text, QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return execCentred(box) == QMessageBox::Yes;
}

bool QtDialogs::askYesNoDefaultNo(const QString& text)
{
    QMessageBox box(QMessageBox::Question, m_title, text, QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return execCentred(box) == QMessageBox::Yes;
}

QString QtDialogs::fileToOpen(const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, {}, filter);
}

// A name typed without an extension gets the one of the chosen file type.
// The dialog does not ask about replacing a file: it would ask about the name
// as typed, not the one with the extension; the caller asks.
QString QtDialogs::fileToSave(const QString& caption, const QString& filter)
{
    QString chosenFilter;
    QString file = QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, {}, filter,
                                                &chosenFilter, QFileDialog::DontConfirmOverwrite);
    static const QRegularExpression extension(QStringLiteral("\\*(\\.\\w+)"));
    const QRegularExpressionMatch match = extension.match(chosenFilter);
    if (!file.isEmpty() && QFileInfo(file).suffix().isEmpty() && match.hasMatch())
        file += match.captured(1);
    return file;
}
