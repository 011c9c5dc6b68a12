#include "StartupArguments.h"

#include "CommandLineOptions.h"
#include "OptionActions.h"

#include <cstdio>
#include <vector>

namespace {

struct WindowOption
{
    QLatin1StringView name; // without its leading dash
    bool takesValue;
};

// The options QApplication and its platform plugins take out of the arguments themselves.
constexpr WindowOption kWindowOptions[] = {
    {QLatin1StringView("platform"), true},
    {QLatin1StringView("platformpluginpath"), true},
    {QLatin1StringView("platformtheme"), true},
    {QLatin1StringView("plugin"), true},
    {QLatin1StringView("qwindowgeometry"), true},
    {QLatin1StringView("qwindowicon"), true},
    {QLatin1StringView("qwindowtitle"), true},
    {QLatin1StringView("session"), true},
    {QLatin1StringView("display"), true},
    {QLatin1StringView("geometry"), true},
    {QLatin1StringView("title"), true},
    {QLatin1StringView("icon"), true},
    {QLatin1StringView("name"), true},
    {QLatin1StringView("visual"), true},
    {QLatin1StringView("style"), true},
    {QLatin1StringView("stylesheet"), true},
    {QLatin1StringView("reverse"), false},
    {QLatin1StringView("widgetcount"), false},
    {QLatin1StringView("nograb"), false},
    {QLatin1StringView("dograb"), false},
    {QLatin1StringView("sync"), false},
    {QLatin1StringView("cmap"), false},
    {QLatin1StringView("testability"), false},
};

// The options Qt also takes as -name=value.
constexpr QLatin1StringView kWithEquals[] = {QLatin1StringView("style"), QLatin1StringView("stylesheet"),
                                             QLatin1StringView("qmljsdebugger"), QLatin1StringView("dialogs"),
                                             QLatin1StringView("fontengine")};

StartupDecision Refuse(const QString &message)
{
    return {StartupDecision::Kind::Refused, message, 2, {}};
}

const WindowOption *FindWindowOption(QStringView name)
{
    for (const WindowOption &option : kWindowOptions) {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

bool TakesEquals(QStringView name)
{
    for (const QLatin1StringView option : kWithEquals) {
        if (name == option)
            return true;
    }
    return false;
}

bool AsksForCommandLine(const QStringList &arguments)
{
    std::vector<QByteArray> bytes{QByteArrayLiteral("quorbex")};
    for (const QString &argument : arguments)
        bytes.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &argument : bytes)
        argv.push_back(argument.data());
    return WantsCommandLine(int(argv.size()), argv.data());
}

} // namespace

StartupDecision DecideStartup(const QStringList &givenArguments,
                              const std::function<QString(const char *)> &environment)
{
    if (AsksForCommandLine(givenArguments))
        return {StartupDecision::Kind::CommandLine, {}, 0, {}};
    QStringList arguments = givenArguments;
    QString chartFile;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString chart = QStringLiteral("--chart");
        if (arguments.at(i) == chart) {
            if (i + 1 == arguments.size())
                return Refuse(QStringLiteral("quorbex: --chart needs a value"));
            chartFile = arguments.takeAt(i + 1);
            arguments.removeAt(i);
            break;
        }
        if (arguments.at(i).startsWith(chart + u'=')) {
            chartFile = arguments.takeAt(i).mid(chart.size() + 1);
            break;
        }
    }

    bool displayChosen = !environment("QT_QPA_PLATFORM").isEmpty() || !environment("DISPLAY").isEmpty() ||
                         !environment("WAYLAND_DISPLAY").isEmpty();
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!argument.startsWith(u'-'))
            return Refuse(QStringLiteral("quorbex: unknown argument: ") + argument);
        // Qt reads --style as -style.
        const QStringView name = QStringView(argument).mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
        const qsizetype equals = name.indexOf(u'=');
        if (equals >= 0 && TakesEquals(name.left(equals)))
            continue;
        const WindowOption *option = equals < 0 ? FindWindowOption(name) : nullptr;
        if (const QString message = OptionActions::MissingActionMessage(argument);
            !option && !message.isEmpty())
            return Refuse(message);
        if (!option)
            return Refuse(QStringLiteral("quorbex: unknown option: ") + argument);
        if (!option->takesValue)
            continue;
        if (++i == arguments.size())
            return Refuse(QStringLiteral("quorbex: %1 needs a value").arg(argument));
        if (option->name == QLatin1StringView("platform") || option->name == QLatin1StringView("display"))
            displayChosen = true;
    }
#ifdef Q_OS_LINUX
    // Qt would abort with a message about its platform plugin, which names no way out.
    if (!displayChosen)
        return Refuse(QStringLiteral("quorbex: the window needs a display (DISPLAY or WAYLAND_DISPLAY is not "
                                     "set); quorbex --download runs without one"));
#else
    Q_UNUSED(displayChosen);
#endif
    if (!chartFile.isEmpty())
        return {StartupDecision::Kind::Chart, {}, 0, chartFile};
    return {};
}

StartupDecision DecideStartup(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return DecideStartup(arguments, [](const char *name) { return qEnvironmentVariable(name); });
}

int ReportRefusal(const StartupDecision &decision)
{
    std::fputs((decision.message + u'\n').toLocal8Bit().constData(), stderr);
    return decision.exitCode;
}
