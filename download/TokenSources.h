#pragma once

#include "BarSeries.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUrl>

// Request URLs and reply parsing of the two services that want an API token, EODHD and Tiingo. Pure,
// like QuoteSources; the result codes are QuoteSources' kSuccess, kRequestFailed and kNoData.
namespace TokenSources {

// The symbol as one path segment: everything but letters, digits and "-._~" is percent-encoded from
// UTF-8, so "/" becomes %2F.
[[nodiscard]] QByteArray EncodePathSegment(const QString &symbol);

// `baseUrl` is the service's scheme, host and optional port; an invalid base gives an invalid URL. The
// EODHD URL holds the token, so it is never shown.
[[nodiscard]] QUrl EodhdUrl(const QString &baseUrl, const QString &token, const QString &symbol,
                            int startyear);
// Tiingo takes its token in the header "Authorization: Token ...".
[[nodiscard]] QUrl TiingoUrl(const QString &baseUrl, const QString &symbol, int startyear);

// Columns are found by name in the header line. Lines that cannot be read are passed over; the bars
// left are sorted into `raw` and, one per date, into `output`. kRequestFailed when the header lacks a
// needed column, or when the last line has no line end and fewer fields than the header (then
// `cutShort` is set); kNoData, with only raw.Symbol set, when no line could be read.
[[nodiscard]] int ParseEodhdReply(QByteArrayView reply, const QString &symbol, BarSeries &raw,
                                  BarSeries &output, bool &cutShort);
[[nodiscard]] int ParseTiingoReply(QByteArrayView reply, const QString &symbol, BarSeries &raw,
                                   BarSeries &output, bool &cutShort);

} // namespace TokenSources
