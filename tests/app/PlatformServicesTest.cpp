#include "PlatformServices.h"
#include "FolderDialog.h"
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
    for (const QString &start : {QStringLiteral("/proc"), folder.path()}) {
        FolderDialog dialog(nullptr, QStringLiteral("Select"), start);
        for (const QString &special : {fifo, QStringLiteral("/proc/kmsg")})
            EXPECT_EQ(dialog.iconProvider()->type(QFileInfo(special)), QStringLiteral("File"));
        dialog.show();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(dialog.directory().absolutePath(), start);
        QMetaObject::invokeMethod(&dialog, "accept");
        EXPECT_EQ(dialog.selectedFiles().value(0), start);
    }
    EXPECT_EQ(
        FolderDialog(nullptr, QString(), folder.filePath(QStringLiteral("a/b"))).directory().absolutePath(),
        folder.path());

    QString reason;
    EXPECT_FALSE(MakeFolder(fifo + QStringLiteral("/sub"), &reason));
    EXPECT_EQ(reason, QStringLiteral("Not a directory"));
    EXPECT_FALSE(MakeFolder(QStringLiteral("/proc/quorbex"), &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_TRUE(MakeFolder(folder.filePath(QStringLiteral("x/y")), &reason));
    EXPECT_TRUE(QFileInfo(folder.filePath(QStringLiteral("x/y"))).isDir());
}
#endif
