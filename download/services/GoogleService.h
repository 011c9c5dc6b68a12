#pragma once

#include "QuoteService.h"

class GoogleService final : public QuoteService
{
public:
    GoogleService();

    [[nodiscard]] static QUrl Url(const QString &baseUrl, const QString &symbol, QDate start);
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
};
