#include "PlatformServices.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(HasDesktopHandler, FollowsTheMimeListsToADesktopEntryThatExists)
{
    const struct
    {
        const char *name;
        QByteArray mimeapps; // in the user's configuration folder
        QByteArray cache;    // mimeinfo.cache of the system's data folder
        bool entryInstalled;
        bool expected;
    } cases[] = {
        {"nothing registered", "", "", true, false},
        {"cache", "", "[MIME Cache]\napplication/x-chm=viewer.desktop;\n", true, true},
        {"cache naming a removed program", "", "[MIME Cache]\napplication/x-chm=viewer.desktop;\n", false,
         false},
        {"user default", "[Default Applications]\napplication/vnd.ms-htmlhelp=viewer.desktop\n", "", true,
         true},
        {"user added", "[Added Associations]\napplication/vnd.ms-htmlhelp=other.desktop;viewer.desktop;\n",
         "", true, true},
        {"user removed", "[Removed Associations]\napplication/x-chm=viewer.desktop;\n",
         "[MIME Cache]\napplication/x-chm=viewer.desktop;\n", true, false},
        {"another type", "[Default Applications]\ntext/html=viewer.desktop\n", "", true, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir config, data;
        ASSERT_TRUE(QDir(data.path()).mkdir(QStringLiteral("applications")));
        if (!c.mimeapps.isEmpty()) {
            ASSERT_TRUE(WriteFile(config.filePath(QStringLiteral("mimeapps.list")), c.mimeapps));
        }
        if (!c.cache.isEmpty()) {
            ASSERT_TRUE(WriteFile(data.filePath(QStringLiteral("applications/mimeinfo.cache")), c.cache));
        }
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
