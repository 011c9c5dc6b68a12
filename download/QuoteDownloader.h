#pragma once

#include "BarSeries.h"
#include "Endpoints.h"
#include "FetchResult.h"
#include "HttpTransfer.h"

#include <QLocale>
#include <QString>
#include <QUrl>

// A request a quote source would send. `url` may hold an API token: never show or log it.
struct SourceRequest
{
    QUrl url;
    HttpTransfer::Headers headers;
    QString cause; // not empty: no request can be made, and this says why
};

// How a source call ended: a result code of QuoteSources (kSuccess, kRequestFailed, kNoData) and,
// unless it succeeded, why, in words for the user.
struct SourceOutcome
{
    int result = 1;
    QString cause;
};

// Fetches one symbol's history from a quote service and parses it into RawSeries and OutputSeries.
// Request() and Parse() are the two halves of Download(), for callers that run the transfer themselves.
class QuoteDownloader
{
public:
    // Quote-source numbers as the settings store them.
    static constexpr int kYahoo = 0;
    static constexpr int kQuoteMedia = 1;
    static constexpr int kGoogle = 2;
    static constexpr int kEodhd = 3;
    static constexpr int kTiingo = 4;
    static constexpr int kSourceCount = 5;

    explicit QuoteDownloader(HttpTransfer &transfer, Endpoints endpoints = {});

    // The source's entry in the Quote Source list.
    [[nodiscard]] static QString SourceName(int quoteSource);
    [[nodiscard]] static bool NeedsToken(int quoteSource)
    {
        return quoteSource == kEodhd || quoteSource == kTiingo;
    }

    void SetEndpoints(const Endpoints &endpoints);
    void SetTokens(const ApiTokens &tokens);
    // Numbers whose form the services leave open are read under this locale (default: the system's).
    void SetLocale(const QLocale &locale);

    [[nodiscard]] SourceRequest Request(int quoteSource, const QString &symbol, int startyear) const;
    // Judges a reply to Request(): for the token services an HTTP status of 400 or more is a failed
    // request whatever the body; the other three are judged by their body alone.
    [[nodiscard]] SourceOutcome Parse(int quoteSource, const FetchResult &reply, const QString &symbol,
                                      BarSeries &raw, BarSeries &output) const;
    // Request(), a fetch through the transfer and Parse() into RawSeries and OutputSeries. An unknown
    // source number fails without a request.
    [[nodiscard]] SourceOutcome Download(int quoteSource, const QString &symbol, int startyear);

    [[nodiscard]] int DownloadYahooData(const QString &symbol, int startyear);
    [[nodiscard]] int DownloadGoogleData(const QString &symbol, int startyear);
    [[nodiscard]] int DownloadQuoteMediaData(const QString &symbol, int startyear);

    BarSeries RawSeries;
    BarSeries OutputSeries;

private:
    // The text with every token replaced, so that no cause ever shows one.
    [[nodiscard]] QString Redacted(QString text) const;

    HttpTransfer &m_transfer;
    Endpoints m_endpoints;
    ApiTokens m_tokens;
    QLocale m_locale = QLocale::system();
};
