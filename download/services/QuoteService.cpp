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
