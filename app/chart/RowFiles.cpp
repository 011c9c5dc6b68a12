#include "RowFiles.h"

#include "BatchRules.h"
#include "ChartWindow.h"
#include "FolderPath.h"
#include "LibraryCheck.h"
#include "PlatformServices.h"
#include "SymbolListModel.h"

#include <QFileInfo>
#include <QHash>

namespace RowFiles {

QString PathOf(const QString &folder, const QString &symbol, int fileFormat)
{
    const QString name = BatchRules::OutputFileName(BatchRules::OutputName(symbol), fileFormat);
    return name.isEmpty() || folder.isEmpty() ? QString() : FolderPath::WithTrailingSeparator(folder) + name;
}

void OpenChart(PlatformServices &platform, QWidget *parent, const QString &folder, const QString &symbol,
               int fileFormat)
{
    const QString path = PathOf(folder, symbol, fileFormat);
    if (path.isEmpty()) {
        platform.ShowCritical(parent, QStringLiteral("Cannot chart %1: it names no file").arg(symbol));
        return;
    }
    ::OpenChart(platform, parent, path);
}

QStringList Check(const QStringList &symbols, const QString &folder, int fileFormat)
{
    QStringList paths;
    QHash<QString, QString> said;
    for (const QString &symbol : symbols) {
        const QString path = PathOf(folder, symbol, fileFormat);
        if (path.isEmpty() || !QFileInfo::exists(path))
            said.insert(path, QStringLiteral("no file"));
        else if (!paths.contains(path))
            paths.append(path);
    }
    LibraryCheck::Run(paths, [&](const LibraryCheck::FileResult &result) {
        said.insert(result.path, !result.error.isEmpty() ? QStringLiteral("unreadable file: ") + result.error
                                 : result.findings.empty() ? QStringLiteral("no findings")
                                                           : FindingsSummary(result.findings));
    });
    QStringList texts;
    for (const QString &symbol : symbols)
        texts.append(said.value(PathOf(folder, symbol, fileFormat)));
    return texts;
}

void ShowChecks(SymbolListModel &rows, const QString &folder, int fileFormat)
{
    QStringList symbols;
    for (int row = 0; row < rows.Count(); ++row)
        symbols.append(rows.Row(row).Symbol);
    const QStringList texts = Check(symbols, folder, fileFormat);
    // A row that shows a download's outcome shows its cause in the Details; the others their file.
    QList<OnDiskState> states;
    for (int row = 0; row < rows.Count(); ++row) {
        OnDiskState state = rows.Row(row).OnDisk;
        if (rows.Row(row).Cells.value(0).isEmpty())
            state.text = texts.at(row);
        else
            rows.SetCause(row, texts.at(row));
        states.append(state);
    }
    rows.SetOnDisk(states);
}

} // namespace RowFiles
