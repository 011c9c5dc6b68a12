#pragma once

#include <QByteArray>
#include <QString>

// What one HTTP request brought back.
struct FetchResult
{
    // Why a request failed, for code that decides whether trying again can help.
    enum class Failure {
        None,
        Timeout,
        ConnectionRefused,
        ConnectionReset, // closed or lost before a status line came
        CutShort,        // a status line came, the body did not arrive whole
        HostNotFound,
        Tls,
        TooLarge,
        InvalidUrl,
        Cancelled,
        Other
    };

    QByteArray body;                 // the whole body when ok
    int httpStatus = 0;              // 0 when no status line came
    bool ok = false;                 // a status line came and the body arrived whole, whatever the status
    QString cause;                   // when !ok, why, in words for the user
    Failure failure = Failure::None; // None when ok
    QByteArray retryAfter{};         // the reply's raw Retry-After value, empty when absent
};
