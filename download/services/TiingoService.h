#pragma once

#include "QuoteService.h"

class TiingoService final : public QuoteService
{
public:
    TiingoService();

    // The token goes in the header "Authorization: Token ...".
    [[nodiscard]] static QUrl Url(const QString &baseUrl, const QString &symbol, QDate start, QDate end = {});
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
};
