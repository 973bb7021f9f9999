#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace {

int execCentred(QMessageBox& box)
{
    box.adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = box.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        box.move(frame.topLeft());
    }
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

QString QtDialogs::fileToOpen(const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, {}, filter);
}

QString QtDialogs::fileToSave(const QString& caption, const QString& filter)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, {}, filter);
}
