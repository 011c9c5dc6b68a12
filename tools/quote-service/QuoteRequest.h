#pragma once

#include <QByteArray>
#include <QDate>

#include <optional>

// The request forms the service answers, each named after the service whose URLs it copies.
enum class QuoteForm { Yahoo, Google, QuoteMedia, Eodhd, Tiingo, TwelveData };

// What a request for a history asks, read from its target and head; the values are checked only for
// their syntax, the server judges them.
struct QuoteRequest
{
    QuoteForm form = QuoteForm::Yahoo;
    QByteArray symbol; // percent-decoded; EODHD's ".EXCHANGE" suffix dropped
    // Absent when the request names no start; an invalid date when it names one that is not a date.
    std::optional<QDate> start;
    QByteArray token; // the API token or key, from wherever the form carries it
    QByteArray query; // still encoded, for the form's own parameters
    // The form's day of every symbol of a market; `symbol` is then the market, `start` the day asked.
    bool marketDay = false;

    // nullopt for a path that no form uses.
    [[nodiscard]] static std::optional<QuoteRequest> Parse(const QByteArray &target, const QByteArray &head);
    // Percent-decoded; a null array when the parameter is absent.
    [[nodiscard]] static QByteArray QueryValue(const QByteArray &query, const QByteArray &name);
    [[nodiscard]] static QByteArray HeaderValue(const QByteArray &head, const QByteArray &name);
    // The target with the value of every token parameter shown as ***, fit for a log.
    [[nodiscard]] static QByteArray MaskedTarget(const QByteArray &target);
};
