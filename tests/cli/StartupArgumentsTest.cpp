#include "StartupArguments.h"
#include "QtPrinters.h"

#include <QHash>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

using Kind = StartupDecision::Kind;

TEST(StartupArguments, WindowOptionsOpenTheWindowAndAnythingElseIsAUsageError)
{
    const QString noDisplay = u"quorbex: the window needs a display (DISPLAY or WAYLAND_DISPLAY is not set); "
                              u"quorbex --download runs without one"_s;
    const struct
    {
        QStringList arguments;
        QStringList environment;
        Kind kind;
        QString message;
    } cases[] = {
        {{}, {u"DISPLAY"_s}, Kind::Window, {}},
        {{}, {u"WAYLAND_DISPLAY"_s}, Kind::Window, {}},
        {{}, {u"QT_QPA_PLATFORM"_s}, Kind::Window, {}},
        {{u"-platform"_s, u"offscreen"_s}, {}, Kind::Window, {}},
        {{u"--platform"_s, u"offscreen"_s}, {}, Kind::Window, {}},
        {{u"-display"_s, u":1"_s}, {}, Kind::Window, {}},
        {{u"-style"_s, u"fusion"_s, u"-style=Fusion"_s, u"-reverse"_s, u"-geometry"_s, u"90x90"_s,
          u"-qwindowgeometry"_s, u"90x90"_s, u"-session"_s, u"s1"_s},
         {u"DISPLAY"_s},
         Kind::Window,
         {}},
        {{u"-platform"_s}, {}, Kind::Refused, u"quorbex: -platform needs a value"_s},
        // The usage error comes before the missing display, whose line the command line's test sees.
        {{u"--fast"_s}, {}, Kind::Refused, u"quorbex: unknown option: --fast"_s},
        {{u"-reverse"_s, u"IBM"_s}, {u"DISPLAY"_s}, Kind::Refused, u"quorbex: unknown argument: IBM"_s},
        {{u"--"_s, u"--download"_s}, {u"DISPLAY"_s}, Kind::Refused, u"quorbex: unknown option: --"_s},
        {{u"--fast"_s, u"--download"_s}, {}, Kind::CommandLine, {}}, // its own parser names --fast
        // An option of the command line given without its action names the action.
        {{u"--update"_s},
         {u"DISPLAY"_s},
         Kind::Refused,
         u"quorbex: --update belongs to --download: quorbex --download --update ..."_s},
        {{u"--jobs=4"_s},
         {},
         Kind::Refused,
         u"quorbex: --jobs belongs to --download: quorbex --download --jobs=4 ..."_s},
        {{u"--show=IBM.bin"_s}, {}, Kind::CommandLine, {}},
        {{u"--check"_s}, {}, Kind::CommandLine, {}},
        {{u"-style"_s, u"fusion"_s, u"--chart"_s, u"IBM.bin"_s}, {u"DISPLAY"_s}, Kind::Chart, {}},
        {{u"--chart=IBM.bin"_s}, {}, Kind::Refused, noDisplay},
        {{u"--chart"_s}, {u"DISPLAY"_s}, Kind::Refused, u"quorbex: --chart needs a value"_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE((c.arguments.join(u' ') + u" with "_s + c.environment.join(u' ')).toStdString());
        const StartupDecision decision = DecideStartup(c.arguments, [&](const char *name) {
            return c.environment.contains(QLatin1StringView(name)) ? u"x"_s : QString();
        });
        EXPECT_EQ(decision.kind, c.kind);
        EXPECT_EQ(decision.message, c.message);
        EXPECT_EQ(decision.exitCode, c.kind == Kind::Refused ? 2 : 0);
        EXPECT_EQ(decision.chartFile, c.kind == Kind::Chart ? u"IBM.bin"_s : QString());
    }
}

} // namespace
