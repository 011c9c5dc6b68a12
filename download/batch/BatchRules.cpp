#include "BatchRules.h"

#include "FolderPath.h"

#include <cmath>
#include <limits>

namespace BatchRules {
namespace {

QString RangeHint(int currentYear)
{
    return QStringLiteral(". Please enter start year as a 4-digit number in 1900-%1 range (e.g., 2000).")
        .arg(currentYear);
}

} // namespace

StartYearCheck CheckStartYear(const QString &text, const QLocale &locale, int currentYear)
{
    StartYearCheck check;
    bool numeric = false;
    const double value = locale.toDouble(text.trimmed(), &numeric);
    if (!numeric || !std::isfinite(value)) {
        check.message = QStringLiteral("Start year is not numeric: ") + text + RangeHint(currentYear);
        return check;
    }
    const double rounded = std::nearbyint(value); // the default rounding mode sends halves to even
    if (rounded < 1900 || rounded > currentYear) {
        // Also covers numbers beyond 32 bits, which are never a valid year.
        check.message = QStringLiteral("Start year is not valid: ") + QString::number(rounded, 'f', 0) +
                        RangeHint(currentYear);
        return check;
    }
    check.ok = true;
    check.year = int(rounded);
    return check;
}

QString NoSymbolsMessage()
{
    return QStringLiteral("Add a symbol to download.");
}

QString FolderNotValidMessage()
{
    return QStringLiteral("Destination folder is not valid.");
}

QString FolderNotCreatedMessage(const QString &folder)
{
    return QStringLiteral("Destination folder could not be created: ") + folder;
}

QString OutputName(const QString &symbol)
{
    const qsizetype colon = symbol.indexOf(u':');
    QString name = colon < 0 ? symbol : symbol.mid(colon + 1);
    if (name.isEmpty()) {
        name = symbol;
        name.replace(u':', u'.');
    }
    return name;
}

QString OutputFileName(const QString &outputName, int fileFormat)
{
    QString name = outputName;
    for (QChar &c : name) {
        if (FolderPath::IsUnsafeInFileName(c))
            c = u'_';
    }
    name += fileFormat == 0 ? QStringLiteral(".bin") : QStringLiteral(".Daily.kyv");
    return FolderPath::IsPlainFileName(name) ? name : QString();
}

} // namespace BatchRules
