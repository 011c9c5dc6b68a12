#include "FilesOnDisk.h"

#include "BarFileGlance.h"
#include "BatchRules.h"
#include "DateValue.h"
#include "FolderPath.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <optional>

QList<OnDiskState> FilesOnDisk(const QStringList &symbols, const QString &folder, int fileFormat,
                               const QLocale &locale)
{
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    const QString base = FolderPath::WithTrailingSeparator(folder);

    // A symbol listed twice, or two symbols of one file name, are read once.
    QHash<QString, qsizetype> byName;
    QList<BarFileGlance> glances;
    QList<qsizetype> rows;
    rows.reserve(symbols.size());
    double newest = 0.0;
    for (const QString &symbol : symbols) {
        const QString name = BatchRules::OutputFileName(BatchRules::OutputName(symbol), fileFormat);
        auto found = byName.constFind(name);
        if (found == byName.constEnd()) {
            BarFileGlance glance;
            if (name.isEmpty() || folder.isEmpty())
                glance.missing = true;
            else
                glance = GlanceAtBarFile(base + name);
            if (glance.ok() && glance.bars > 0)
                newest = std::max(newest, glance.lastDate);
            glances.append(glance);
            found = byName.insert(name, glances.size() - 1);
        }
        rows.append(found.value());
    }

    QList<OnDiskState> states;
    states.reserve(symbols.size());
    for (const qsizetype row : rows) {
        const BarFileGlance *glance = &glances.at(row);
        OnDiskState state;
        if (glance->ok())
            state.figures = {glance->bars, glance->firstDate, glance->lastDate};
        QString &text = state.text;
        if (glance->missing) {
            text = QStringLiteral("no file");
        } else if (!glance->error.isEmpty()) {
            text = QStringLiteral("unreadable file: ") + glance->error;
        } else if (glance->bars > 0 && glance->lastDate < newest) {
            const auto days = qint64(std::llround(newest - glance->lastDate));
            text =
                QStringLiteral("on disk, %1 %2 behind")
                    .arg(grouped.toString(days), days == 1 ? QStringLiteral("day") : QStringLiteral("days"));
        } else {
            text = QStringLiteral("on disk: %1 %2")
                       .arg(grouped.toString(glance->bars),
                            glance->bars == 1 ? QStringLiteral("bar") : QStringLiteral("bars"));
            if (glance->bars > 0) {
                const QString format = QStringLiteral("d MMM yyyy");
                text += QStringLiteral(", %1 - %2")
                            .arg(locale.toString(DateValue::ToDate(glance->firstDate), format),
                                 locale.toString(DateValue::ToDate(glance->lastDate), format));
            }
        }
        states.append(state);
    }
    return states;
}
