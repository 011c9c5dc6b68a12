#include "AppPaths.h"
#include "QtPrinters.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

TEST(AppPaths, FilesStayBesideAProgramThatKeepsThemThereElseGoToTheUsersFolders)
{
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(u"bin"_s), config = u"/home/ann/.config"_s;
    const QString shared = prefix.filePath(u"share/quorbex/Quorbex.chm"_s);
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(prefix.filePath(u"share/quorbex"_s)));
    const auto resolve = [&](bool writable) { return ResolveAppPaths(bin, writable, config); };

    EXPECT_EQ(resolve(true).settingsFolder, bin);
    EXPECT_EQ(resolve(false).settingsFolder, config + u"/Quorbex"_s);
    EXPECT_EQ(resolve(false).helpFile, bin + u"/Quorbex.chm"_s) << "named where it belongs when missing";
    for (const QString &name : {u"Symbols.txt"_s, u"Quorbex.ini"_s}) {
        ASSERT_TRUE(WriteFile(bin + u'/' + name, ""));
        EXPECT_EQ(resolve(false).settingsFolder, bin) << name.toStdString();
        QFile::remove(bin + u'/' + name);
    }

    ASSERT_TRUE(WriteFile(shared, "ITSF"));
    EXPECT_EQ(resolve(false).helpFile, shared);
    ASSERT_TRUE(WriteFile(bin + u"/Quorbex.chm"_s, "ITSF"));
    EXPECT_EQ(resolve(false).helpFile, bin + u"/Quorbex.chm"_s);
    EXPECT_EQ(resolve(false).settingsFolder, config + u"/Quorbex"_s) << "a help file is no settings file";
}
