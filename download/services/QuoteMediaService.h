#pragma once

#include "QuoteService.h"

class QuoteMediaService final : public QuoteService
{
public:
    QuoteMediaService();

    [[nodiscard]] static QUrl Url(const QString &baseUrl, const QString &webmasterId, const QString &symbol,
                                  QDate start);
    // Repeated dates are kept: this service's files never had a duplicate removal.
    [[nodiscard]] static int ParseReply(const QByteArray &reply, const QString &symbol, const QLocale &locale,
                                        BarSeries &raw, BarSeries &output);

    [[nodiscard]] SourceRequest Request(const ServiceSettings &settings, const QString &symbol,
                                        QDate start) const override;
    [[nodiscard]] ParsedReply Parse(const FetchResult &reply, const QString &symbol, const QLocale &locale,
                                    BarSeries &raw, BarSeries &output) const override;
    [[nodiscard]] QString PricesGiven() const override
    {
        return QStringLiteral("prices adjusted for splits only");
    }
    [[nodiscard]] bool KeepsRepeatedDates() const override { return true; }
};
