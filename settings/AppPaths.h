#pragma once

#include <QString>

// Where the program keeps its files.
struct AppPaths
{
    QString settingsFolder; // holds "Quorbex.ini" and "Symbols.txt"; may not exist before the first save
    QString helpFile;       // "Quorbex.chm" where it was found, else where it belongs beside the program
};

// A copy that already keeps its files beside itself, or may write there, goes on doing so (a build
// folder, a portable folder); an installed one uses "Quorbex" in the user's configuration folder
// ($XDG_CONFIG_HOME, ~/.config by default). The help file is looked for beside the program, then in
// ../share/quorbex.
[[nodiscard]] AppPaths ResolveAppPaths(const QString &programFolder);

// The same rule with the facts that depend on the machine and the user given, for tests.
[[nodiscard]] AppPaths ResolveAppPaths(const QString &programFolder, bool programFolderWritable,
                                       const QString &configHome);
