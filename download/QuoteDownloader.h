#pragma once

#include "BarSeries.h"
#include "Endpoints.h"

#include <QLocale>
#include <QString>

class HttpTransfer;

// Fetches one symbol's history from a quote service and parses it into RawSeries and
// OutputSeries. Results are the codes of QuoteSources: 0 success, 1 request failed, 2 no data.
class QuoteDownloader
{
public:
    // Quote-source numbers as the settings store them.
    static constexpr int kYahoo = 0;
    static constexpr int kQuoteMedia = 1;
    static constexpr int kGoogle = 2;

    explicit QuoteDownloader(HttpTransfer &transfer, Endpoints endpoints = {});

    void SetEndpoints(const Endpoints &endpoints);
    // Numbers whose form the services leave open are read under this locale (default: the system's).
    void SetLocale(const QLocale &locale);

    [[nodiscard]] int DownloadYahooData(const QString &symbol, int startyear);
    [[nodiscard]] int DownloadGoogleData(const QString &symbol, int startyear);
    [[nodiscard]] int DownloadQuoteMediaData(const QString &symbol, int startyear);
    // An unknown source number gives 1 without a request.
    [[nodiscard]] int Download(int quoteSource, const QString &symbol, int startyear);

    BarSeries RawSeries;
    BarSeries OutputSeries;

private:
    HttpTransfer &m_transfer;
    Endpoints m_endpoints;
    QLocale m_locale = QLocale::system();
};
