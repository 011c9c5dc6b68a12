#pragma once

#include "QuoteService.h"

#include <QList>
#include <QString>

#include <chrono>
#include <cstdio>

// `quorbex --lookup TEXT`: asks service `quoteSource`'s search for TEXT and writes one line per match to
// `out`: code, name, exchange, type and currency, tab-separated. Returns 0 when it printed a match; 1,
// with one line "quorbex: ..." on `err`, when the search failed or found nothing.
[[nodiscard]] int LookUpSymbols(const QList<ServiceSettings> &services, int quoteSource, const QString &text,
                                std::chrono::milliseconds timeout, std::FILE *out, std::FILE *err);
