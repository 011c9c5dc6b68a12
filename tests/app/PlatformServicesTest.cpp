#include "PlatformServices.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
