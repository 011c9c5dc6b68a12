#pragma once

#include <QByteArray>
#include <QString>

// What one HTTP request brought back.
struct FetchResult
{
    QByteArray body;    // the whole body when ok
    int httpStatus = 0; // 0 when no status line came
    bool ok = false;    // a status line came and the body arrived whole, whatever the status
    QString cause;      // when !ok, why, in words for the user
};
