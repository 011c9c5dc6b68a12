#include "ServiceRegistry.h"

#include "EodhdService.h"
#include "GoogleService.h"
#include "QuoteMediaService.h"
#include "TiingoService.h"
#include "TwelveDataService.h"
#include "YahooService.h"

namespace ServiceRegistry {

const QList<const QuoteService *> &All()
{
    static const YahooService yahoo;
    static const QuoteMediaService quoteMedia;
    static const GoogleService google;
    static const EodhdService eodhd;
    static const TiingoService tiingo;
    static const TwelveDataService twelveData;
    static const QList<const QuoteService *> services = {&yahoo, &quoteMedia, &google,
                                                         &eodhd, &tiingo,     &twelveData};
    return services;
}

const QuoteService *At(int quoteSource)
{
    return quoteSource >= 0 && quoteSource < All().size() ? All().at(quoteSource) : nullptr;
}

int IndexOf(QStringView commandName)
{
    for (qsizetype i = 0; i < All().size(); ++i) {
        if (commandName.compare(All().at(i)->Describe().commandName, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

QList<ServiceSettings> DefaultSettings()
{
    QList<ServiceSettings> settings;
    for (const QuoteService *service : All()) {
        ServiceSettings &one = settings.emplace_back();
        one.base = service->Describe().defaultBase;
        one.rates = ParseRates(service->Describe().rates).value_or(QList<Rate>());
        for (const QuoteService::Extra &extra : service->Describe().extras)
            one.extras.insert(extra.key, extra.defaultValue);
    }
    return settings;
}

QString CommandNames()
{
    QString text;
    for (qsizetype i = 0; i < All().size(); ++i) {
        if (i > 0)
            text += i + 1 == All().size() ? QStringLiteral(" or ") : QStringLiteral(", ");
        text += All().at(i)->Describe().commandName;
    }
    return text;
}

} // namespace ServiceRegistry
