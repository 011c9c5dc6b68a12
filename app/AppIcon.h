#pragma once

#include <QIcon>

// The program's icon: rising daily bars on a dark tile, drawn for each common size.
[[nodiscard]] QIcon AppIcon();
