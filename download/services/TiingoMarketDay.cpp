#include "TiingoMarketDay.h"

#include "MarketDayTable.h"
#include "QuoteSources.h"

MarketDayForm::Place TiingoMarketDay::PlaceOf(const QString &symbol) const
{
    // Tiingo's tickers name no exchange, and its daily prices follow the US markets' days.
    return {QStringLiteral("US"), symbol.toUpper()};
}

QList<SourceRequest> TiingoMarketDay::Requests(const ServiceSettings &settings, const QString &, QDate) const
{
    if (settings.token.isEmpty())
        return {};
    return {{QuoteSources::BuildUrl(settings.base, "/tiingo/daily/prices?format=csv"),
             {{"Authorization", "Token " + settings.token.toUtf8()}},
             {}}};
}

MarketDayForm::Parsed TiingoMarketDay::Parse(const QList<QByteArray> &replies) const
{
    Parsed parsed;
    const std::optional<MarketDayTable> table = MarketDayTable::Read(replies.value(0));
    const qsizetype ticker = table ? table->Column("ticker") : -1;
    const qsizetype date = table ? table->Column("date") : -1;
    if (ticker < 0 || date < 0) {
        parsed.cause = QStringLiteral("the market's day is not a table of tickers");
        return parsed;
    }
    const qsizetype dividend = table->Column("divCash");
    const qsizetype split = table->Column("splitFactor");
    for (qsizetype row = 0; row < table->RowCount(); ++row) {
        Day day;
        day.date = QDate::fromString(QString::fromLatin1(table->Field(row, date).left(10)), Qt::ISODate);
        const double cash = table->Field(row, dividend).toDouble();
        const QByteArray factor = table->Field(row, split);
        day.action = cash > 0.0 || (!factor.isEmpty() && factor.toDouble() != 1.0);
        day.reply = table->SymbolReply(row, {ticker});
        parsed.days.insert(QString::fromUtf8(table->Field(row, ticker)).toUpper(), std::move(day));
    }
    return parsed;
}
