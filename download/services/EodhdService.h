#pragma once

#include "QuoteService.h"

class EodhdService final : public QuoteService
{
public:
    EodhdService();

    // The URL holds the token, so it is never shown.
    [[nodiscard]] static QUrl Url(const QString &baseUrl, const QString &token, const QString &symbol,
                                  QDate start, QDate end = {});
    [[nodiscard]] static int ParseReply(QByteArrayView reply, const QString &symbol, BarSeries &raw,
                                        BarSeries &output, bool &cutShort);
    [[nodiscard]] static int ParseReply(QByteArrayView reply, const QString &symbol, BarSeries &raw,
                                        BarSeries &output, bool &cutShort, PriceKind kind);

    [[nodiscard]] SourceRequest Request(const ServiceSettings &settings, const QString &symbol,
                                        QDate start) const override;
    [[nodiscard]] ParsedReply Parse(const FetchResult &reply, const QString &symbol, const QLocale &locale,
                                    BarSeries &raw, BarSeries &output) const override;
    [[nodiscard]] Refusal Refuses(const FetchResult &reply) const override;
    [[nodiscard]] bool OffersPriceKinds() const override { return true; }
    [[nodiscard]] ParsedReply ParseKind(PriceKind kind, const FetchResult &reply, const QString &symbol,
                                        const QLocale &locale, BarSeries &raw,
                                        BarSeries &output) const override;
    [[nodiscard]] bool Searches() const override { return true; }
    [[nodiscard]] SourceRequest SearchRequest(const ServiceSettings &settings,
                                              const QString &text) const override;
    [[nodiscard]] SearchReply ParseSearch(const FetchResult &reply) const override;
    [[nodiscard]] QStringList FallbackTokenSymbols() const override;
};
