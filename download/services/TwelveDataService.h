#pragma once

#include "QuoteService.h"

class TwelveDataService final : public QuoteService
{
public:
    // The most bars one reply holds.
    static constexpr int kPieceSize = 5000;

    TwelveDataService();

    // The newest bars from `start` on, before `end` when it is valid; the key goes in the header
    // "Authorization: apikey ...".
    [[nodiscard]] static QUrl Url(const QString &baseUrl, const QString &symbol, QDate start, QDate end = {},
                                  PriceKind kind = PriceKind::Adjusted);
    [[nodiscard]] static int ParseReply(QByteArrayView reply, const QString &symbol, BarSeries &raw,
                                        BarSeries &output, bool &cutShort);

    [[nodiscard]] SourceRequest Request(const ServiceSettings &settings, const QString &symbol,
                                        QDate start) const override;
    [[nodiscard]] std::optional<SourceRequest> NextPiece(const ServiceSettings &settings,
                                                         const QString &symbol, QDate start,
                                                         const ParsedReply &parsed,
                                                         const BarSeries &piece) const override;
    [[nodiscard]] ParsedReply Parse(const FetchResult &reply, const QString &symbol, const QLocale &locale,
                                    BarSeries &raw, BarSeries &output) const override;
    [[nodiscard]] Refusal Refuses(const FetchResult &reply) const override;
    [[nodiscard]] QString ErrorCause(const FetchResult &reply) const override;
    [[nodiscard]] bool OffersPriceKinds() const override { return true; }
    [[nodiscard]] bool Searches() const override { return true; }
    [[nodiscard]] SourceRequest SearchRequest(const ServiceSettings &settings,
                                              const QString &text) const override;
    [[nodiscard]] SearchReply ParseSearch(const FetchResult &reply) const override;

private:
    [[nodiscard]] SourceRequest Piece(const ServiceSettings &settings, const QString &symbol, QDate start,
                                      QDate end) const;
};
