#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// What quorbex is started for: the window, the command line, or neither, with the one line that
// says why and the exit status.
struct StartupDecision
{
    enum class Kind { Window, CommandLine, Refused, Chart };

    Kind kind = Kind::Window;
    QString message; // Refused: one line for standard error, without its line end
    int exitCode = 0;
    QString chartFile; // Chart: the bar file of --chart
};

// `arguments` are those after the program name; `environment` gives a variable's value, empty when
// it is unset. Arguments that ask for the command line leave their checking to it; otherwise only
// the window options QApplication takes for itself may be given, and on Linux the window needs a
// display: DISPLAY, WAYLAND_DISPLAY, -display, or a platform chosen by -platform or QT_QPA_PLATFORM.
// `--chart FILE` asks for the chart window of one bar file instead of the main window.
[[nodiscard]] StartupDecision DecideStartup(const QStringList &arguments,
                                            const std::function<QString(const char *)> &environment);

// The decision for this process's own arguments and environment.
[[nodiscard]] StartupDecision DecideStartup(int argc, char **argv);

// Prints a refusal's line on standard error and returns its exit status.
[[nodiscard]] int ReportRefusal(const StartupDecision &decision);
