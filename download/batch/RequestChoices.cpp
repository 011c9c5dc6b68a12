#include "RequestChoices.h"

#include "ServiceRegistry.h"

namespace RequestChoices {

QString PricesKey(PriceKind kind)
{
    return kind == PriceKind::AsTraded ? QStringLiteral("raw") : QStringLiteral("adjusted");
}

std::optional<PriceKind> PricesFromKey(QStringView key)
{
    if (key.compare(u"adjusted", Qt::CaseInsensitive) == 0)
        return PriceKind::Adjusted;
    if (key.compare(u"raw", Qt::CaseInsensitive) == 0)
        return PriceKind::AsTraded;
    return std::nullopt;
}

QString PricesCaption(PriceKind kind)
{
    return kind == PriceKind::AsTraded ? QStringLiteral("as traded") : QStringLiteral("adjusted");
}

QString FixedPricesTip(int quoteSource)
{
    const QuoteService *service = ServiceRegistry::At(quoteSource);
    if (!service || service->OffersPriceKinds())
        return {};
    return service->Name() + QStringLiteral(" gives ") + service->PricesGiven();
}

QString NoSearchTip(int quoteSource)
{
    const QuoteService *service = ServiceRegistry::At(quoteSource);
    if (!service || service->Searches())
        return {};
    return service->Name() + QStringLiteral(" offers no symbol search");
}

EndDateCheck CheckEndDate(const QString &text, int startYear, QDate today)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {true, {}, {}};
    const QDate date = QDate::fromString(trimmed, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid() || date < QDate(startYear, 1, 1) || date > today)
        return {
            false, {}, QStringLiteral("End date must be a day as YYYY-MM-DD, from the start year to today.")};
    return {true, date, {}};
}

QString UpdateWithEndDateMessage()
{
    return QStringLiteral(
        "A history with an end date is never updated: clear the end date or do not update.");
}

} // namespace RequestChoices
