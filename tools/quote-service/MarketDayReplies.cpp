#include "MarketDayReplies.h"

#include "QuoteHistory.h"

namespace MarketDayReplies {

namespace {

struct Listed
{
    QByteArray code;
    QByteArray exchange;
};

Listed ListingOf(const QByteArray &symbol)
{
    const qsizetype dot = symbol.lastIndexOf('.');
    if (dot <= 0)
        return {symbol.toUpper(), "US"};
    return {symbol.left(dot).toUpper(), symbol.mid(dot + 1).toUpper()};
}

// The line of `day` in a CSV history without its line end, or of its last day when `day` is invalid.
QByteArray LineOf(const QByteArray &csv, QDate day)
{
    const QList<QByteArray> lines = csv.trimmed().split('\n');
    if (lines.size() < 2)
        return {};
    if (!day.isValid())
        return lines.back();
    const QByteArray date = day.toString(Qt::ISODate).toLatin1();
    for (const QByteArray &line : lines) {
        if (line.startsWith(date))
            return line;
    }
    return {};
}

// A short history through `endDate` with the one day wanted: the same figures as a long one.
QuoteHistory Around(const QByteArray &code, QDate day, QDate endDate)
{
    return QuoteHistory(code, (day.isValid() ? day : endDate).addDays(-10), endDate);
}

} // namespace

QByteArray TiingoCsv(const QList<QByteArray> &universe, QDate endDate)
{
    QByteArray out = "ticker,date,close,high,low,open,volume,adjClose,adjHigh,adjLow,adjOpen,adjVolume,"
                     "divCash,splitFactor\n";
    for (const QByteArray &symbol : universe) {
        // A Tiingo ticker is the whole symbol, dots and all.
        const QByteArray code = symbol.toUpper();
        const QByteArray line = LineOf(Around(code, {}, endDate).TiingoCsv(), {});
        if (!line.isEmpty())
            out += code.toLower() + ',' + line + '\n';
    }
    return out;
}

QByteArray EodhdCsv(const QList<QByteArray> &universe, const QByteArray &exchange, QDate day,
                    const QByteArray &type, QDate endDate)
{
    QByteArray out = type == "splits"      ? "Code,Ex,Date,Split\n"
                     : type == "dividends" ? "Code,Ex,Date,Dividend\n"
                                           : "Code,Ex,Date,Open,High,Low,Close,Adjusted_close,Volume\n";
    for (const QByteArray &symbol : universe) {
        const Listed listed = ListingOf(symbol);
        if (listed.exchange != exchange.toUpper())
            continue;
        const QuoteHistory history = Around(listed.code, day, endDate);
        const QByteArray prefix = listed.code + ',' + listed.exchange + ',';
        if (type.isEmpty()) {
            if (const QByteArray line = LineOf(history.EodhdCsv(), day); !line.isEmpty())
                out += prefix + line + '\n';
            continue;
        }
        // Tiingo's columns carry the day's dividend and split factor.
        const QList<QByteArray> fields = LineOf(history.TiingoCsv(), day).split(',');
        if (fields.size() < 13)
            continue;
        if (type == "splits" && fields.at(12).toDouble() != 1.0)
            out += prefix + fields.at(0) + ",2.000000/1.000000\n";
        else if (type == "dividends" && fields.at(11).toDouble() > 0.0)
            out += prefix + fields.at(0) + ',' + fields.at(11) + '\n';
    }
    return out;
}

} // namespace MarketDayReplies
