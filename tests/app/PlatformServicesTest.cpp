#include "PlatformServices.h"
#include "FolderDialog.h"
#include "HelpLauncher.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <QAbstractFileIconProvider>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

TEST(HasDesktopHandler, FollowsTheMimeListsToADesktopEntryThatExists)
{
    const QByteArray cached = "[MIME Cache]\napplication/x-chm=viewer.desktop;\n";
    const struct
    {
        QByteArray userList; // the user's mimeapps.list
        QByteArray cache;    // the system's mimeinfo.cache
        bool entryInstalled, expected;
    } cases[] = {{"", "", true, false},
                 {"", cached, true, true},
                 {"", cached, false, false},
                 {"[Default Applications]\napplication/vnd.ms-htmlhelp=viewer.desktop\n", "", true, true},
                 {"[Added Associations]\napplication/x-chm=gone.desktop;viewer.desktop;\n", "", true, true},
                 {"[Removed Associations]\napplication/x-chm=viewer.desktop;\n", cached, true, false},
                 {"[Default Applications]\ntext/html=viewer.desktop\n", "", true, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.userList.toStdString() + c.cache.toStdString());
        QTemporaryDir config, data;
        ASSERT_TRUE(QDir(data.path()).mkdir(QStringLiteral("applications")));
        ASSERT_TRUE(WriteFile(config.filePath(QStringLiteral("mimeapps.list")), c.userList));
        ASSERT_TRUE(WriteFile(data.filePath(QStringLiteral("applications/mimeinfo.cache")), c.cache));
        if (c.entryInstalled) {
            ASSERT_TRUE(
                WriteFile(data.filePath(QStringLiteral("applications/viewer.desktop")), "[Desktop Entry]\n"));
        }
        EXPECT_EQ(HasDesktopHandler(
                      {QStringLiteral("application/vnd.ms-htmlhelp"), QStringLiteral("application/x-chm")},
                      {config.path()}, {data.path()}),
                  c.expected);
    }
}

#ifdef Q_OS_UNIX
// Qt's own chooser read every entry it listed to tell its kind, and blocked for good on
// /proc/kmsg or a FIFO.
TEST(FolderDialog, OpensAtSpecialFoldersWithoutReadingTheirEntries)
{
    QTemporaryDir folder;
    const QString fifo = folder.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    FolderDialog dialog(nullptr, QStringLiteral("Select"), QStringLiteral("/proc"));
    for (const QString &special : {fifo, QStringLiteral("/proc/kmsg")})
        EXPECT_EQ(dialog.iconProvider()->type(QFileInfo(special)), QStringLiteral("File"));
    dialog.show();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QMetaObject::invokeMethod(&dialog, "accept");
    EXPECT_EQ(dialog.selectedFiles().value(0), QStringLiteral("/proc"));
    EXPECT_EQ(FolderDialog(nullptr, {}, folder.filePath(QStringLiteral("a/b"))).directory().absolutePath(),
              folder.path());
}
#endif

// An installed viewer must serve where xdg-open is missing, and the message names what is.
TEST(HelpLauncher, TakesTheFirstWayThisDesktopHasAndNamesWhatIsMissing)
{
    using Desktop = HelpLauncher::Desktop;
    const QString chm = QStringLiteral("/q/Quorbex.chm"), pages = QStringLiteral("/q/help/index.html");
    const QString url = QStringLiteral("file:///q/help/index.html"), xdg = QStringLiteral("/bin/xdg-open");
    const QString noXdg = QStringLiteral(
        "Quorbex.chm cannot be opened: xdg-open is not installed; install xdg-utils, or xchm or kchmviewer.");
    const QString none =
        QStringLiteral("No program to show Quorbex.chm is installed; install xchm or kchmviewer.");
    const struct
    {
        Desktop desktop;
        QStringList launch; // program and arguments, or the message
    } cases[] = {
        {{true, true, xdg, u"/bin/xchm"_qs, {}, true}, {xdg, chm}},
        {{true, false, {}, u"/bin/kchmviewer"_qs, {}, false}, {u"/bin/kchmviewer"_qs, chm}},
        {{false, true, xdg, {}, u"/bin/firefox"_qs, true}, {xdg, url}},
        {{false, true, {}, {}, u"/bin/firefox"_qs, true}, {u"/bin/firefox"_qs, url}},
        {{false, true, xdg, {}, {}, false}, {none}},
        {{true, false, {}, {}, {}, true}, {noXdg}},
        {{false, false, {}, {}, {}, true}, {none}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.launch.join(u' ').toStdString());
        const HelpLauncher::Launch launch = HelpLauncher::Choose(c.desktop, chm, pages);
        EXPECT_EQ(launch.program.isEmpty() ? QStringList{launch.missing}
                                           : QStringList{launch.program} + launch.arguments,
                  c.launch);
    }
}
