#include "AppPaths.h"
#include "ChartWindow.h"
#include "CommandLineDownload.h"
#include "CommandLineOptions.h"
#include "Form1.h"
#include "PlatformServices.h"
#include "StartupArguments.h"

#include <QApplication>
#include <QFont>

int main(int argc, char *argv[])
{
    // The command line runs without a display, so it must not make a QApplication.
    const StartupDecision startup = DecideStartup(argc, argv);
    if (startup.kind == StartupDecision::Kind::CommandLine)
        return RunCommandLine(argc, argv);
    if (startup.kind == StartupDecision::Kind::Refused)
        return ReportRefusal(startup);
    QApplication app(argc, argv);
    QFont::insertSubstitutions(QStringLiteral("Microsoft Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    if (startup.kind == StartupDecision::Kind::Chart)
        return RunChartWindow(startup.chartFile);
    QtPlatformServices platform;
    Form1 window(platform, ResolveAppPaths(QCoreApplication::applicationDirPath()));
    window.show();
    return app.exec();
}
