#pragma once

#include "FetchResult.h"
#include "QuoteService.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

// One day of every symbol of a market, in one request or a few, for a service that offers it. Each such
// service describes its own form; the batch reads it through QuoteService::MarketDay().
class MarketDayForm
{
public:
    // Where a list symbol trades and what the market's replies call it (upper case).
    struct Place
    {
        QString market;
        QString code;
    };
    // What a market's day holds for one symbol.
    struct Day
    {
        QDate date;
        QByteArray reply;    // the symbol's bar as a reply to its own request would give it
        bool action = false; // a split or a dividend took effect that day
    };
    struct Parsed
    {
        QString cause;            // not empty: the replies could not be read
        QHash<QString, Day> days; // by code
    };

    MarketDayForm() = default;
    virtual ~MarketDayForm() = default;
    MarketDayForm(const MarketDayForm &) = delete;
    MarketDayForm &operator=(const MarketDayForm &) = delete;

    [[nodiscard]] virtual Place PlaceOf(const QString &symbol) const = 0;
    // True when any past day may be asked for, false when only the latest one is served.
    [[nodiscard]] virtual bool PicksDay() const = 0;
    // What one market day costs in the units of the service's allowance, one symbol's own request
    // costing 1.
    [[nodiscard]] virtual int Cost() const = 0;
    // The requests for one day of `market`; an invalid `day` asks for the latest.
    [[nodiscard]] virtual QList<SourceRequest> Requests(const ServiceSettings &settings,
                                                        const QString &market, QDate day) const = 0;
    // Reads the replies to Requests(), in their order.
    [[nodiscard]] virtual Parsed Parse(const QList<QByteArray> &replies) const = 0;
    // A refusal no retry changes: the account's plan may not use the form.
    [[nodiscard]] virtual bool RefusedForPlan(const FetchResult &reply) const;
};
