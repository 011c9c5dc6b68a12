#pragma once

#include "QuoteService.h"

#include <QList>
#include <QStringView>

// Every quote service the program knows, in the order of the Quote Source list: a service's place
// in this list is the QuoteSource number the settings file keeps.
namespace ServiceRegistry {

[[nodiscard]] const QList<const QuoteService *> &All();
[[nodiscard]] inline qsizetype Count()
{
    return All().size();
}
// Null for a number outside the list.
[[nodiscard]] const QuoteService *At(int quoteSource);
// The number of the service with this command-line name (any letter case), or -1.
[[nodiscard]] int IndexOf(QStringView commandName);
// Every service's defaults, as with no settings file: its base, no token, its extras' defaults.
[[nodiscard]] QList<ServiceSettings> DefaultSettings();
// "a, b, c or d" of the command-line names.
[[nodiscard]] QString CommandNames();

} // namespace ServiceRegistry
