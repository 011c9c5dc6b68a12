#pragma once

#include <QLocale>
#include <QString>

// The checks and names a download run applies before and after each source call.
namespace BatchRules {

struct StartYearCheck
{
    bool ok = false;
    int year = 0;    // valid when ok
    QString message; // what to tell the user when not ok
};

// Reads the start year as a locale-aware number, rounds it half to even and checks it lies in
// 1900..currentYear.
[[nodiscard]] StartYearCheck CheckStartYear(const QString &text, const QLocale &locale, int currentYear);

// The messages of the checks before a run, the same for every face.
[[nodiscard]] QString NoSymbolsMessage();
[[nodiscard]] QString FolderNotValidMessage();
[[nodiscard]] QString FolderNotCreatedMessage(const QString &folder);

// The file name base for a symbol: the text after its first ":", or the whole symbol with every
// ":" made "." when nothing follows that colon.
[[nodiscard]] QString OutputName(const QString &symbol);

// The output name with the extension of the chosen file format (0 .bin, otherwise .kyv), with
// every "/", "\" and control character made "_" so the file stays inside its folder. Empty
// when no usable file name is left; nothing may then be written.
[[nodiscard]] QString OutputFileName(const QString &outputName, int fileFormat);

} // namespace BatchRules
