#include "EodhdMarketDay.h"

#include "MarketDayTable.h"
#include "QuoteSources.h"

#include <QSet>

namespace {

QDate DateOf(const QByteArray &field)
{
    return QDate::fromString(QString::fromLatin1(field.left(10)), Qt::ISODate);
}

// The codes a splits or dividends reply lists; nothing when it is not such a table.
std::optional<QSet<QString>> ActionCodes(const QByteArray &reply)
{
    const std::optional<MarketDayTable> table = MarketDayTable::Read(reply);
    if (!table)
        return QSet<QString>(); // an exchange without actions that day may send nothing at all
    const qsizetype code = table->Column("code");
    if (code < 0)
        return std::nullopt;
    QSet<QString> codes;
    for (qsizetype row = 0; row < table->RowCount(); ++row)
        codes.insert(QString::fromUtf8(table->Field(row, code)).toUpper());
    return codes;
}

} // namespace

MarketDayForm::Place EodhdMarketDay::PlaceOf(const QString &symbol) const
{
    // EODHD reads a symbol without an exchange as a US one.
    const qsizetype dot = symbol.lastIndexOf(u'.');
    if (dot <= 0)
        return {QStringLiteral("US"), symbol.toUpper()};
    return {symbol.mid(dot + 1).toUpper(), symbol.left(dot).toUpper()};
}

QList<SourceRequest> EodhdMarketDay::Requests(const ServiceSettings &settings, const QString &market,
                                              QDate day) const
{
    const QByteArray token = QUrl::toPercentEncoding(m_service.TokenToUse(settings));
    QByteArray query = "?api_token=" + token + "&fmt=csv";
    if (day.isValid())
        query += "&date=" + day.toString(Qt::ISODate).toLatin1();
    const QByteArray path = "/api/eod-bulk-last-day/" + QuoteSources::EncodePathSegment(market) + query;
    QList<SourceRequest> requests;
    for (const char *type : {"", "&type=splits", "&type=dividends"})
        requests.append({QuoteSources::BuildUrl(settings.base, path + type), {}, {}});
    return requests;
}

MarketDayForm::Parsed EodhdMarketDay::Parse(const QList<QByteArray> &replies) const
{
    Parsed parsed;
    const std::optional<MarketDayTable> table = MarketDayTable::Read(replies.value(0));
    const qsizetype code = table ? table->Column("code") : -1;
    const qsizetype date = table ? table->Column("date") : -1;
    const std::optional<QSet<QString>> splits = ActionCodes(replies.value(1));
    const std::optional<QSet<QString>> dividends = ActionCodes(replies.value(2));
    if (code < 0 || date < 0 || !splits || !dividends) {
        parsed.cause = QStringLiteral("the market's day is not a table of codes");
        return parsed;
    }
    QList<qsizetype> dropped = {code};
    for (const char *other : {"ex", "exchange_short_name", "name", "type"}) {
        if (const qsizetype column = table->Column(other); column >= 0)
            dropped.append(column);
    }
    for (qsizetype row = 0; row < table->RowCount(); ++row) {
        const QString name = QString::fromUtf8(table->Field(row, code)).toUpper();
        parsed.days.insert(name, Day{DateOf(table->Field(row, date)), table->SymbolReply(row, dropped),
                                     splits->contains(name) || dividends->contains(name)});
    }
    return parsed;
}
