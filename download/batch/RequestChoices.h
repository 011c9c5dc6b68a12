#pragma once

#include "QuoteService.h"

#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>

// The words both faces and the settings file use for a run's price kind and end date.
namespace RequestChoices {

// "adjusted" or "raw", as [Download] Prices and --prices have them.
[[nodiscard]] QString PricesKey(PriceKind kind);
[[nodiscard]] std::optional<PriceKind> PricesFromKey(QStringView key);
// The window's words: "adjusted" or "as traded".
[[nodiscard]] QString PricesCaption(PriceKind kind);
// Why a service's prices cannot be chosen, for the choice's tooltip; empty when they can.
[[nodiscard]] QString FixedPricesTip(int quoteSource);
// Why a service's symbols cannot be looked up, for the button's tooltip; empty when they can.
[[nodiscard]] QString NoSearchTip(int quoteSource);

struct EndDateCheck
{
    bool ok = false;
    QDate date; // invalid when no end date was given
    QString message;
};
// An empty text sets no end date; otherwise YYYY-MM-DD, from 1 January `startYear` to `today`.
[[nodiscard]] EndDateCheck CheckEndDate(const QString &text, int startYear, QDate today);
// An update would join bars after the end to a file that ends early, so the two never go together.
[[nodiscard]] QString UpdateWithEndDateMessage();

} // namespace RequestChoices
