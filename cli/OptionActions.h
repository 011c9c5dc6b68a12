#pragma once

#include <QString>
#include <QStringView>

// Which action each command-line option belongs to, so an option given without its action is named
// with the one it needs. A new option joins the table in OptionActions.cpp with one line.
namespace OptionActions {

struct Entry
{
    QLatin1StringView option; // with its dashes
    QLatin1StringView action; // the option that starts it, such as "--download"; empty: an action itself
    bool takesValue;
};

// The entry of `argument` ("--jobs" or "--jobs=4"); nullptr for an action or an unknown option.
[[nodiscard]] const Entry *Find(QStringView argument);

// "quorbex: --update belongs to --download: quorbex --download --update", or empty when `argument`
// belongs to no action.
[[nodiscard]] QString MissingActionMessage(QStringView argument);

} // namespace OptionActions
