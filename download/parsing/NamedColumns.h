#pragma once

#include "BarSeries.h"

#include <QByteArrayView>
#include <QString>

#include <array>

// Replies whose header line names the columns, in any order: "date,open,high,low,close,volume" and
// perhaps adjusted ones. Pure; the result codes are QuoteSources' kSuccess, kRequestFailed and kNoData.
namespace NamedColumns {

enum Column {
    kDate,
    kOpen,
    kHigh,
    kLow,
    kClose,
    kVolume,
    kAdjOpen,
    kAdjHigh,
    kAdjLow,
    kAdjClose,
    kAdjVolume
};
inline constexpr int kColumnCount = kAdjVolume + 1;

enum class Adjustment {
    ScaleToAdjustedClose, // every price scaled to the adjusted close, the volume the other way
    AdjustedColumns,      // each adjusted column where there is one
};

struct Columns
{
    std::array<QByteArrayView, kColumnCount> names; // empty: the service has no such column
    Adjustment adjustment = Adjustment::ScaleToAdjustedClose;
    char separator = ',';
    bool volumeOptional = false; // a reply without a volume column gives volumes of 0
};

// Lines that cannot be read are passed over; the bars left are sorted into `raw` and, one per date,
// into `output`. kRequestFailed when the header lacks a needed column, or when the last line has no
// line end and fewer fields than the header (then `cutShort` is set); kNoData, with only raw.Symbol
// set, when no line could be read. Dates are YYYY-MM-DD, perhaps followed by "T" and a time.
[[nodiscard]] int Parse(QByteArrayView reply, const QString &symbol, const Columns &columns, BarSeries &raw,
                        BarSeries &output, bool &cutShort);

} // namespace NamedColumns
