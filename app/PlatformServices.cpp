#include "PlatformServices.h"

#include "AppTitle.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

void QtPlatformServices::ShowCritical(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, AppTitle(), text, QMessageBox::Ok);
}

QString QtPlatformServices::AskText(QWidget *parent, const QString &prompt, const QString &initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, AppTitle(), prompt, QLineEdit::Normal, initial, &ok);
    return ok ? text : QString();
}

QString QtPlatformServices::PickFolder(QWidget *parent, const QString &title, const QString &startFolder)
{
    return QFileDialog::getExistingDirectory(parent, title, startFolder);
}

void QtPlatformServices::OpenHelp(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QDate QtPlatformServices::CurrentDate()
{
    return QDate::currentDate();
}

QSize QtPlatformServices::ScreenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
}
