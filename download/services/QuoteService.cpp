#include "QuoteService.h"

QString QuoteService::TokenVariable() const
{
    return QStringLiteral("QUORBEX_") + m_description.key.toUpper() + QStringLiteral("_TOKEN");
}

QString QuoteService::TokenToUse(const ServiceSettings &settings) const
{
    if (!m_description.token)
        return {};
    return settings.token.isEmpty() ? m_description.token->fallback : settings.token;
}

std::optional<SourceRequest> QuoteService::NextPiece(const ServiceSettings &, const QString &, QDate,
                                                     const ParsedReply &, const BarSeries &) const
{
    return std::nullopt;
}

QuoteService::Refusal QuoteService::Refuses(const FetchResult &) const
{
    return Refusal::None;
}

ParsedReply QuoteService::ParseKind(PriceKind, const FetchResult &reply, const QString &symbol,
                                    const QLocale &locale, BarSeries &raw, BarSeries &output) const
{
    return Parse(reply, symbol, locale, raw, output);
}

SourceRequest QuoteService::SearchRequest(const ServiceSettings &, const QString &) const
{
    return {{}, {}, m_description.name + QStringLiteral(" offers no symbol search")};
}

SearchReply QuoteService::ParseSearch(const FetchResult &) const
{
    return {false, {}, m_description.name + QStringLiteral(" offers no symbol search")};
}
