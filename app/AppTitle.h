#pragma once

#include <QString>

// The title of every message box and prompt.
[[nodiscard]] inline QString AppTitle()
{
    return QStringLiteral("Quorbex");
}
