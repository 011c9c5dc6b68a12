#include "AppPaths.h"
#include "QtPrinters.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

TEST(AppPaths, SettingsStayBesideTheProgramUnlessItIsInstalled)
{
    const struct
    {
        const char *fileBeside; // already lying beside the program
        bool writable;
        bool besideProgram;
    } cases[] = {{nullptr, true, true},
                 {nullptr, false, false},
                 {"Quorbex.ini", false, true},
                 {"Symbols.txt", false, true},
                 {"Quorbex.chm", false, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << (c.fileBeside ? c.fileBeside : "none") << " writable " << c.writable);
        QTemporaryDir program;
        if (c.fileBeside) {
            ASSERT_TRUE(WriteFile(program.filePath(QLatin1StringView(c.fileBeside)), ""));
        }
        const AppPaths paths = ResolveAppPaths(program.path(), c.writable, u"/home/ann/.config"_s);
        EXPECT_EQ(paths.settingsFolder, c.besideProgram ? program.path() : u"/home/ann/.config/Quorbex"_s);
    }
}

TEST(AppPaths, HelpFileBesideTheProgramThenInShareQuorbex)
{
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(u"bin"_s);
    const QString shared = prefix.filePath(u"share/quorbex/Quorbex.chm"_s);
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(prefix.filePath(u"share/quorbex"_s)));
    const QString beside = bin + u"/Quorbex.chm"_s;

    EXPECT_EQ(ResolveAppPaths(bin, true, {}).helpFile, beside) << "where it belongs, for the message";
    ASSERT_TRUE(WriteFile(shared, "ITSF"));
    EXPECT_EQ(ResolveAppPaths(bin, true, {}).helpFile, shared);
    ASSERT_TRUE(WriteFile(beside, "ITSF"));
    EXPECT_EQ(ResolveAppPaths(bin, true, {}).helpFile, beside);
}
