#pragma once

#include <QDate>
#include <QSize>
#include <QString>

class QWidget;

// What the window needs from the desktop. Tests pass a scripted implementation, so no modal
// window ever opens in a test.
class PlatformServices
{
public:
    virtual ~PlatformServices() = default;

    // A modal message with the critical icon, one OK button and the program's title.
    virtual void ShowCritical(QWidget *parent, const QString &text) = 0;
    // A modal text prompt; the entered text, or empty when cancelled.
    virtual QString AskText(QWidget *parent, const QString &prompt, const QString &initial) = 0;
    // The platform's folder chooser opened at `startFolder`; the chosen folder, or empty when cancelled.
    virtual QString PickFolder(QWidget *parent, const QString &title, const QString &startFolder) = 0;
    // Opens a help file with the system's viewer for its type, without waiting for the viewer.
    virtual void OpenHelp(const QString &path) = 0;
    virtual QDate CurrentDate() = 0;
    virtual QSize ScreenSize() = 0;
};

// The real desktop.
class QtPlatformServices final : public PlatformServices
{
public:
    void ShowCritical(QWidget *parent, const QString &text) override;
    QString AskText(QWidget *parent, const QString &prompt, const QString &initial) override;
    QString PickFolder(QWidget *parent, const QString &title, const QString &startFolder) override;
    void OpenHelp(const QString &path) override;
    QDate CurrentDate() override;
    QSize ScreenSize() override;
};
