#include "UiServices.h"

#include "BusyLoop.h"
#include "QtUiServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace {
UiServices *g_services = nullptr;

QWidget *dialogParent()
{
    return QApplication::activeWindow();
}
} // namespace

UiServices &ui()
{
    if (!g_services) {
        static QtUiServices fallback;
        g_services = &fallback;
    }
    return *g_services;
}

UiServices *setUi(UiServices *services)
{
    UiServices *previous = g_services;
    g_services = services;
    return previous;
}

UiServices::Answer QtUiServices::message(Kind kind, const QString &text, Buttons buttons)
{
    QMessageBox box(dialogParent());
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setText(text);
    switch (kind) {
    case Kind::Error: box.setIcon(QMessageBox::Critical); break;
    case Kind::Warning: box.setIcon(QMessageBox::Warning); break;
    case Kind::Information: box.setIcon(QMessageBox::Information); break;
    case Kind::Confirmation: box.setIcon(QMessageBox::Question); break;
    }
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

void QtUiServices::showError(const QString &text)
{
    // An error box while the hourglass shows would carry the hourglass over it.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox box(dialogParent());
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setIcon(QMessageBox::Critical);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
}

void QtUiServices::setBusyCursor(bool busy)
{
    if (busy) {
        ++m_busyDepth;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busyDepth > 0) {
        --m_busyDepth;
        QApplication::restoreOverrideCursor();
    }
}

void QtUiServices::pause(int ms)
{
    BusyLoop::pause(ms);
}

void QtUiServices::openFile(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QDir(path).absolutePath()));
}

QString QtUiServices::saveFileName(const QString &caption, const QString &directory,
                                   const QString &fileName, const QString &filter)
{
    const QString start = directory.isEmpty() ? fileName : QDir(directory).filePath(fileName);
    return QFileDialog::getSaveFileName(dialogParent(), caption, start, filter);
}
