#include "OptionActions.h"

namespace OptionActions {
namespace {

using namespace Qt::Literals::StringLiterals;

constexpr QLatin1StringView kDownload = "--download"_L1;

// clang-format off
constexpr Entry kEntries[] = {
    {"--source"_L1,     kDownload, true},
    {"--format"_L1,     kDownload, true},
    {"--start-year"_L1, kDownload, true},
    {"--folder"_L1,     kDownload, true},
    {"--jobs"_L1,       kDownload, true},
    {"--retries"_L1,    kDownload, true},
    {"--timeout"_L1,    kDownload, true},
    {"--update"_L1,     kDownload, false},
    {"--prices"_L1,     kDownload, true},
    {"--end-date"_L1,   kDownload, true},
    {"--market-day"_L1, kDownload, true},
    {"--lookup"_L1,     {},        true}, // an action of its own
};
// clang-format on

} // namespace

const Entry *Find(QStringView argument)
{
    const QStringView name = argument.left(argument.indexOf(u'='));
    for (const Entry &entry : kEntries) {
        if (name == entry.option)
            return &entry;
    }
    return nullptr;
}

QString MissingActionMessage(QStringView argument)
{
    const Entry *entry = Find(argument);
    if (!entry || entry->action.isEmpty())
        return {};
    return QStringLiteral("quorbex: %1 belongs to %2: quorbex %2 %3 ...")
        .arg(entry->option, entry->action, argument);
}

} // namespace OptionActions
