#pragma once

#include "MarketDayForm.h"

// EODHD's bulk day of an exchange: GET /api/eod-bulk-last-day/{EXCHANGE} for the bars, and again with
// type=splits and type=dividends for the day's corporate actions.
class EodhdMarketDay final : public MarketDayForm
{
public:
    explicit EodhdMarketDay(const QuoteService &service) : m_service(service) {}

    [[nodiscard]] Place PlaceOf(const QString &symbol) const override;
    [[nodiscard]] bool PicksDay() const override { return true; }
    // Each of the three requests costs 100 API calls for the whole exchange; narrowing it to the list's
    // symbols with symbols= would cost one call more for each.
    [[nodiscard]] int Cost() const override { return 300; }
    [[nodiscard]] QList<SourceRequest> Requests(const ServiceSettings &settings, const QString &market,
                                                QDate day) const override;
    [[nodiscard]] Parsed Parse(const QList<QByteArray> &replies) const override;

private:
    const QuoteService &m_service; // for its token
};
