#pragma once

#include "ServiceRegistry.h"

// Every service at `base`, with the EODHD, Tiingo and Twelve Data tokens given.
inline QList<ServiceSettings> ServicesAt(const QString &base, const QString &eodhdToken = {},
                                         const QString &tiingoToken = {}, const QString &twelveDataToken = {})
{
    QList<ServiceSettings> services = ServiceRegistry::DefaultSettings();
    for (ServiceSettings &one : services)
        one.base = base;
    services[ServiceRegistry::IndexOf(u"eodhd")].token = eodhdToken;
    services[ServiceRegistry::IndexOf(u"tiingo")].token = tiingoToken;
    services[ServiceRegistry::IndexOf(u"twelvedata")].token = twelveDataToken;
    return services;
}
