#pragma once

#include "MarketDayForm.h"

// Tiingo's latest day of every ticker: GET /tiingo/daily/prices, whose rows carry the ticker, the bar,
// divCash and splitFactor.
class TiingoMarketDay final : public MarketDayForm
{
public:
    [[nodiscard]] Place PlaceOf(const QString &symbol) const override;
    [[nodiscard]] bool PicksDay() const override { return false; }
    [[nodiscard]] int Cost() const override { return 1; }
    [[nodiscard]] QList<SourceRequest> Requests(const ServiceSettings &settings, const QString &market,
                                                QDate day) const override;
    [[nodiscard]] Parsed Parse(const QList<QByteArray> &replies) const override;
};
