#pragma once

#include <QString>

// Where the quote services are reached; "Quorbex.ini" may override each of them.
struct Endpoints
{
    QString Yahoo = QStringLiteral("http://ichart.finance.yahoo.com");
    QString Google = QStringLiteral("http://www.google.com");
    QString QuoteMedia = QStringLiteral("http://app.quotemedia.com");
    QString QuoteMediaWebmasterId = QStringLiteral("501");
    QString EODHD = QStringLiteral("https://eodhd.com");
    QString Tiingo = QStringLiteral("https://api.tiingo.com");
};

// The user's API tokens for the services that want one; empty when none is stored. Secrets: never
// logged or shown, and a file holding one is readable by its owner only.
struct ApiTokens
{
    QString EODHD;
    QString Tiingo;
};
