// Writes the program's icon as the PNG files a desktop's icon theme expects:
// OUTDIR/<size>x<size>/apps/NAME.png for each size the icon is drawn at.
#include "AppIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: render-icons OUTDIR NAME\n");
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    const QIcon icon = AppIcon();
    for (const QSize size : icon.availableSizes()) {
        const QString folder =
            QStringLiteral("%1/%2x%3/apps").arg(outDir).arg(size.width()).arg(size.height());
        const QPixmap pixmap = icon.pixmap(size, 1.0);
        if (!QDir().mkpath(folder) || pixmap.size() != size ||
            !pixmap.save(folder + u'/' + name + QStringLiteral(".png"))) {
            std::fprintf(stderr, "render-icons: cannot write the %dx%d icon\n", size.width(), size.height());
            return 1;
        }
    }
    return 0;
}
