#pragma once

#include "BarSeries.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QUrl>

// Request URLs and reply parsing of the three quote services. Everything here is pure: the
// transfer that fetches a reply lives in QuoteDownloader.
namespace QuoteSources {

// Result of a source: the reply was parsed, it failed the header check, or it held no price line.
inline constexpr int kSuccess = 0;
inline constexpr int kRequestFailed = 1;
inline constexpr int kNoData = 2;

// The symbol as it goes into a query: "^" and every character that would end the value, start
// another parameter or is not allowed in a URL (space, "&", "#", "%", "+", "?", quotes, brackets,
// control characters, bytes beyond ASCII) are percent-encoded; all else, letter case included,
// stays as it is.
[[nodiscard]] QByteArray EncodeSymbol(const QString &symbol);

// Whether a reply that passes the header check stops inside its last line (no line end, fewer
// fields than the header line); the parsers refuse such a reply.
[[nodiscard]] bool EndsInsideALine(QByteArrayView reply);

// `baseUrl` (scheme, host, optional port; trailing "/" dropped) followed by an encoded path and
// query; invalid when the base is.
[[nodiscard]] QUrl BuildUrl(const QString &baseUrl, const QByteArray &pathAndQuery);

// The request URLs. `baseUrl` is the service's scheme, host and optional port; a trailing "/" on
// it is dropped. An invalid base gives an invalid URL.
[[nodiscard]] QUrl YahooUrl(const QString &baseUrl, const QString &symbol, int startyear);
[[nodiscard]] QUrl GoogleUrl(const QString &baseUrl, const QString &symbol, int startyear);
[[nodiscard]] QUrl QuoteMediaUrl(const QString &baseUrl, const QString &webmasterId, const QString &symbol,
                                 int startyear);

// Reply parsers. Each returns kSuccess with `output` holding the bars to write, sorted by date, and
// `raw` holding the reply's counts (one bar per non-blank data line) but no bars of its own;
// kRequestFailed leaving both series alone (also when the reply stops inside a last line that is
// short of the header's fields, or memory runs out); or kNoData after setting only raw.Symbol.
// Numbers are read under `locale` where the service's format leaves that open. Bars whose date
// could not be built, or with a price that is no finite 4-byte float, never reach `output`.
[[nodiscard]] int ParseYahooReply(const QByteArray &reply, const QString &symbol, const QLocale &locale,
                                  BarSeries &raw, BarSeries &output);
[[nodiscard]] int ParseGoogleReply(const QByteArray &reply, const QString &symbol, const QLocale &locale,
                                   BarSeries &raw, BarSeries &output);
[[nodiscard]] int ParseQuoteMediaReply(const QByteArray &reply, const QString &symbol, const QLocale &locale,
                                       BarSeries &raw, BarSeries &output);

} // namespace QuoteSources
