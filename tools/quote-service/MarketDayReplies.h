#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QSet>

// The market-day forms' replies for a universe of symbols ("SYM" trades on US, "SYM.EX" on EX), with the
// bars, splits and dividends of the symbols' own histories ending on `endDate`.
namespace MarketDayReplies {

// Tiingo's latest day of every ticker, CSV.
[[nodiscard]] QByteArray TiingoCsv(const QList<QByteArray> &universe, QDate endDate);
// EODHD's day of one exchange: the bars, or with `type` "splits" or "dividends" the day's actions. An
// invalid `day` is the last trading day through `endDate`.
[[nodiscard]] QByteArray EodhdCsv(const QList<QByteArray> &universe, const QByteArray &exchange, QDate day,
                                  const QByteArray &type, QDate endDate);

} // namespace MarketDayReplies
