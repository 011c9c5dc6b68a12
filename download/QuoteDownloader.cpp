#include "QuoteDownloader.h"

#include "HttpTransfer.h"
#include "QuoteSources.h"

#include <utility>

QuoteDownloader::QuoteDownloader(HttpTransfer &transfer, Endpoints endpoints)
    : m_transfer(transfer), m_endpoints(std::move(endpoints))
{}

void QuoteDownloader::SetEndpoints(const Endpoints &endpoints)
{
    m_endpoints = endpoints;
}

void QuoteDownloader::SetLocale(const QLocale &locale)
{
    m_locale = locale;
}

int QuoteDownloader::DownloadYahooData(const QString &symbol, int startyear)
{
    const QByteArray reply =
        m_transfer.Fetch(QuoteSources::YahooUrl(m_endpoints.Yahoo, symbol, startyear)).body;
    return QuoteSources::ParseYahooReply(reply, symbol, m_locale, RawSeries, OutputSeries);
}

int QuoteDownloader::DownloadGoogleData(const QString &symbol, int startyear)
{
    const QByteArray reply =
        m_transfer.Fetch(QuoteSources::GoogleUrl(m_endpoints.Google, symbol, startyear)).body;
    return QuoteSources::ParseGoogleReply(reply, symbol, m_locale, RawSeries, OutputSeries);
}

int QuoteDownloader::DownloadQuoteMediaData(const QString &symbol, int startyear)
{
    const QByteArray reply =
        m_transfer
            .Fetch(QuoteSources::QuoteMediaUrl(m_endpoints.QuoteMedia, m_endpoints.QuoteMediaWebmasterId,
                                               symbol, startyear))
            .body;
    return QuoteSources::ParseQuoteMediaReply(reply, symbol, m_locale, RawSeries, OutputSeries);
}

int QuoteDownloader::Download(int quoteSource, const QString &symbol, int startyear)
{
    switch (quoteSource) {
    case kYahoo:
        return DownloadYahooData(symbol, startyear);
    case kQuoteMedia:
        return DownloadQuoteMediaData(symbol, startyear);
    case kGoogle:
        return DownloadGoogleData(symbol, startyear);
    default:
        return QuoteSources::kRequestFailed;
    }
}
