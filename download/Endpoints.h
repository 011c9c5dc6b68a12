#pragma once

#include <QString>

// Where the three quote services are reached; "Quorbex.ini" may override each of them.
struct Endpoints
{
    QString Yahoo = QStringLiteral("http://ichart.finance.yahoo.com");
    QString Google = QStringLiteral("http://www.google.com");
    QString QuoteMedia = QStringLiteral("http://app.quotemedia.com");
    QString QuoteMediaWebmasterId = QStringLiteral("501");
};
