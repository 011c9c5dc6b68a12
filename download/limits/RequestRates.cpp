#include "RequestRates.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <utility>

namespace {

using namespace std::chrono_literals;

const std::array<std::pair<QLatin1String, std::chrono::seconds>, 4> kUnits = {{
    {QLatin1String("second"), 1s},
    {QLatin1String("minute"), 1min},
    {QLatin1String("hour"), 1h},
    {QLatin1String("day"), 24h},
}};

bool IsPlainNumber(QStringView text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; });
}

// A positive whole number of plain digits, or 0.
int Positive(QStringView text)
{
    bool ok = false;
    const int value = IsPlainNumber(text) ? text.toInt(&ok) : 0;
    return ok ? value : 0;
}

std::optional<Rate> ParseRate(QStringView text)
{
    const qsizetype slash = text.indexOf(u'/');
    if (slash < 0)
        return std::nullopt;
    const int count = Positive(text.left(slash).trimmed());
    const QStringView unit = text.mid(slash + 1).trimmed();
    std::chrono::seconds period{Positive(unit)};
    for (const auto &[name, seconds] : kUnits) {
        if (unit.compare(name, Qt::CaseInsensitive) == 0)
            period = seconds;
    }
    if (count <= 0 || period <= 0s)
        return std::nullopt;
    return Rate{count, period};
}

} // namespace

std::optional<QList<Rate>> ParseRates(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed == u"0")
        return QList<Rate>();
    QList<Rate> rates;
    for (const QStringView item : QStringView(trimmed).split(u',')) {
        const std::optional<Rate> rate = ParseRate(item);
        if (!rate)
            return std::nullopt;
        rates.append(*rate);
    }
    return rates;
}

QString RatesText(const QList<Rate> &rates)
{
    if (rates.isEmpty())
        return QStringLiteral("no limit");
    QStringList parts;
    for (const Rate &rate : rates) {
        QString unit = QString::number(rate.period.count());
        for (const auto &[name, seconds] : kUnits) {
            if (rate.period == seconds)
                unit = name;
        }
        parts.append(QStringLiteral("%1/%2").arg(QString::number(rate.count), unit));
    }
    return parts.join(QStringLiteral(", "));
}
