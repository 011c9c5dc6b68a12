#include "AppPaths.h"
#include "Form1.h"
#include "PlatformServices.h"

#include <QApplication>
#include <QFont>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QFont::insertSubstitutions(QStringLiteral("Microsoft Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
    QtPlatformServices platform;
    Form1 window(platform, ResolveAppPaths(QCoreApplication::applicationDirPath()));
    window.show();
    return app.exec();
}
