#pragma once

#include <QString>
#include <QStringList>

// How Help can show Quorbex.chm on a desktop without Windows' viewer, decided from what is installed,
// so that each way and each message can be tried without a desktop.
class HelpLauncher
{
public:
    // What the desktop has; an empty program is one that is not installed.
    struct Desktop
    {
        bool chmHandler = false;  // a desktop entry registered for .chm files
        bool htmlHandler = false; // one for web pages
        QString xdgOpen;          // the program that starts a registered entry
        QString chmViewer;        // xchm or kchmviewer, found on the PATH
        QString browser;          // $BROWSER or x-www-browser
        bool pagesExist = false;  // the help's pages beside the .chm file
    };

    struct Launch
    {
        QString program; // empty: nothing can show the help
        QStringList arguments;
        QString missing; // then: what to install, in words for the user
    };

    [[nodiscard]] static Launch Choose(const Desktop &desktop, const QString &chmFile, const QString &pages);

    // This desktop, as found on the PATH, in the desktop's lists and in the environment.
    [[nodiscard]] static Desktop Find(const QString &pages);
};
