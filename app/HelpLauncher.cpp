#include "HelpLauncher.h"

#include "PlatformServices.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

HelpLauncher::Launch HelpLauncher::Choose(const Desktop &desktop, const QString &chmFile,
                                          const QString &pages)
{
    // The desktop's own choice first; an installed viewer still works where xdg-open is missing.
    if (desktop.chmHandler && !desktop.xdgOpen.isEmpty())
        return {desktop.xdgOpen, {chmFile}, {}};
    if (!desktop.chmViewer.isEmpty())
        return {desktop.chmViewer, {chmFile}, {}};
    if (desktop.pagesExist) {
        const QString url = QUrl::fromLocalFile(pages).toString();
        if (desktop.htmlHandler && !desktop.xdgOpen.isEmpty())
            return {desktop.xdgOpen, {url}, {}};
        if (!desktop.browser.isEmpty())
            return {desktop.browser, {url}, {}};
    }
    if ((desktop.chmHandler || desktop.htmlHandler) && desktop.xdgOpen.isEmpty())
        return {{},
                {},
                QStringLiteral("Quorbex.chm cannot be opened: xdg-open is not installed; install "
                               "xdg-utils, or xchm or kchmviewer.")};
    return {
        {}, {}, QStringLiteral("No program to show Quorbex.chm is installed; install xchm or kchmviewer.")};
}

HelpLauncher::Desktop HelpLauncher::Find(const QString &pages)
{
    const QStringList config = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    const QStringList data = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    Desktop desktop;
    desktop.chmHandler = HasDesktopHandler(
        {QStringLiteral("application/vnd.ms-htmlhelp"), QStringLiteral("application/x-chm")}, config, data);
    desktop.htmlHandler = HasDesktopHandler(
        {QStringLiteral("text/html"), QStringLiteral("x-scheme-handler/http")}, config, data);
    desktop.xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    for (const QString &viewer : {QStringLiteral("xchm"), QStringLiteral("kchmviewer")}) {
        desktop.chmViewer = QStandardPaths::findExecutable(viewer);
        if (!desktop.chmViewer.isEmpty())
            break;
    }
    // $BROWSER may list several programs, the first one that is installed wins.
    for (const QString &name : qEnvironmentVariable("BROWSER").split(u':', Qt::SkipEmptyParts) +
                                   QStringList{QStringLiteral("x-www-browser")}) {
        desktop.browser = QStandardPaths::findExecutable(name);
        if (!desktop.browser.isEmpty())
            break;
    }
    desktop.pagesExist = QFileInfo(pages).isFile();
    return desktop;
}
