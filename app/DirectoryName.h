#pragma once

#include <QString>

// The folder part of `path`: everything up to and including its last separator, or empty
// when it has none.
[[nodiscard]] QString GetDirectoryName(const QString &path);
