#pragma once

#include "DownloadBatch.h"

#include <QString>

// The line a finished run leaves beside the list: "198 succeeded, 2 failed, 0 not tried in 4 min 12 s",
// or after Stop "Stopped: 73 succeeded, 127 not tried". `total` is the rows the run was to walk.
[[nodiscard]] QString RunSummaryText(const DownloadBatch::Summary &summary, int total, qint64 elapsedMs);
