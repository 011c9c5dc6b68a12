#include "AppPaths.h"

#include "FolderPath.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

AppPaths ResolveAppPaths(const QString &programFolder)
{
    return ResolveAppPaths(programFolder, QFileInfo(programFolder).isWritable(),
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

AppPaths ResolveAppPaths(const QString &programFolder, bool programFolderWritable, const QString &configHome)
{
    const QDir program(programFolder);
    AppPaths paths;
    const bool keepsFilesHere = QFileInfo::exists(program.filePath(QStringLiteral("Quorbex.ini"))) ||
                                QFileInfo::exists(program.filePath(QStringLiteral("Symbols.txt")));
    paths.settingsFolder = keepsFilesHere || programFolderWritable || configHome.isEmpty()
                               ? programFolder
                               : QDir(configHome).filePath(QStringLiteral("Quorbex"));

    paths.helpFile = programFolder + FolderPath::Separator() + QStringLiteral("Quorbex.chm");
    const QString shared = QDir::toNativeSeparators(
        QDir::cleanPath(program.filePath(QStringLiteral("../share/quorbex/Quorbex.chm"))));
    if (!QFileInfo(paths.helpFile).isFile() && QFileInfo(shared).isFile())
        paths.helpFile = shared;
    return paths;
}
