#pragma once

#include "BarSeries.h"
#include "FetchResult.h"
#include "HttpTransfer.h"
#include "RequestRates.h"

#include <QDate>
#include <QList>
#include <QLocale>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class MarketDayForm;

// Which prices a history holds: adjusted for splits and dividends, or as traded.
enum class PriceKind { Adjusted, AsTraded };

// The choices of a run that shape every history request; the defaults ask what Quorbex always asked.
struct RequestOptions
{
    PriceKind prices = PriceKind::Adjusted;
    QDate end; // the last day wanted, inclusive; invalid: up to the newest bar
};

// One match of a service's symbol search; `code` is written as the service's history request wants it.
struct SymbolMatch
{
    QString code;
    QString name;
    QString exchange;
    QString type;
    QString currency;
};

// What a service's parser made of a search reply.
struct SearchReply
{
    bool ok = false;
    QList<SymbolMatch> matches;
    QString cause; // why not ok, in words for the user
};

// What the settings file holds for one service.
struct ServiceSettings
{
    QString base;                  // scheme, host and optional port
    QString token;                 // the user's API token or key; empty when none is stored
    QMap<QString, QString> extras; // the service's further [Endpoints] values, by key
    QList<Rate> rates;             // the rates its requests keep to: [Limits], else the documented ones
    RequestOptions options;        // the run's, set by the downloader
};

// A request a service would send. `url` may hold an API token: never show or log it.
struct SourceRequest
{
    QUrl url;
    HttpTransfer::Headers headers;
    QString cause; // not empty: no request can be made, and this says why
};

// How a source call ended: a result code of QuoteSources (kSuccess, kRequestFailed, kNoData) and,
// unless it succeeded, why, in words for the user.
struct SourceOutcome
{
    int result = 1;
    QString cause;
};

// What a service's parser made of one reply.
struct ParsedReply
{
    int result = 1; // kSuccess, kRequestFailed or kNoData
    bool cutShort = false;
    QString cause;       // the service's own words for a failure; empty leaves them to the caller
    qsizetype lines = 0; // data lines the reply held, so a paged service knows whether more follow
};

// One quote service, described once: how it is named and configured, the request it builds and how
// its replies are read. Everything else in the program reads these descriptions through the registry.
class QuoteService
{
public:
    // An [Endpoints] value beside the base, such as an account number.
    struct Extra
    {
        QString key;
        QString defaultValue;
    };
    // The API token or key, for a service that takes one.
    struct Token
    {
        QString prompt;              // the Token... prompt
        QString fallback;            // used while none is stored; empty: one is needed
        QString missingCause;        // a row's cause when none is stored and there is no fallback
        QString missingMessage;      // the message before a run, then
        QString word;                // "API token" or "API key", as the service calls it
        QList<int> refusals = {401}; // HTTP statuses that mean the token is wrong
    };

    struct Description
    {
        QString name;        // the entry of the Quote Source list
        QString commandName; // the command line's --source value
        QString key;         // its key in [Endpoints], [Tokens] and [Limits]
        QString defaultBase;
        QList<Extra> extras;
        std::optional<Token> token;
        // An HTTP error status fails the request whatever the body; otherwise the body alone decides.
        bool judgedByStatus = false;
        // The request rates the service documents for a free account, as [Limits] writes them.
        QString rates;
    };

    explicit QuoteService(Description description) : m_description(std::move(description)) {}
    virtual ~QuoteService() = default;
    QuoteService(const QuoteService &) = delete;
    QuoteService &operator=(const QuoteService &) = delete;

    [[nodiscard]] const Description &Describe() const { return m_description; }
    [[nodiscard]] const QString &Name() const { return m_description.name; }
    [[nodiscard]] bool TakesToken() const { return m_description.token.has_value(); }
    // A service without a fallback token cannot be asked before the user has stored one.
    [[nodiscard]] bool NeedsUserToken() const
    {
        return TakesToken() && m_description.token->fallback.isEmpty();
    }
    // The variable that wins over "Quorbex.ini" for the token: QUORBEX_<KEY>_TOKEN.
    [[nodiscard]] QString TokenVariable() const;
    // The token a request uses: the user's, else the service's fallback.
    [[nodiscard]] QString TokenToUse(const ServiceSettings &settings) const;

    // The request for `symbol`'s bars from `start` on.
    [[nodiscard]] virtual SourceRequest Request(const ServiceSettings &settings, const QString &symbol,
                                                QDate start) const = 0;
    // The next piece of a history longer than one reply holds, after a piece that parsed as `parsed`
    // and gave the bars of `piece`; nothing when the history is whole.
    [[nodiscard]] virtual std::optional<SourceRequest> NextPiece(const ServiceSettings &settings,
                                                                 const QString &symbol, QDate start,
                                                                 const ParsedReply &parsed,
                                                                 const BarSeries &piece) const;
    // Reads a reply whose transfer succeeded into `raw` (its counts) and `output` (the bars to write,
    // sorted by date), as the service's form has it.
    [[nodiscard]] virtual ParsedReply Parse(const FetchResult &reply, const QString &symbol,
                                            const QLocale &locale, BarSeries &raw,
                                            BarSeries &output) const = 0;
    // How a reply refuses in the service's own words, beyond what its status and Retry-After say.
    enum class Refusal {
        None,
        TryLater,      // a short limit (a minute's): the request may be tried again
        SpentForHour,  // the allowance is spent: nothing succeeds before the next hour,
        SpentForDay,   // midnight UTC,
        SpentForMonth, // or the first of next month
    };
    [[nodiscard]] virtual Refusal Refuses(const FetchResult &reply) const;
    // The service's own words in the body of a reply under an HTTP error status; empty when it has none.
    [[nodiscard]] virtual QString ErrorCause(const FetchResult &) const { return {}; }
    // Whether bars of one date are all kept, as this service's replies have them.
    [[nodiscard]] virtual bool KeepsRepeatedDates() const { return false; }
    // The symbols the fallback token is served for, when the service limits it to a few.
    [[nodiscard]] virtual QStringList FallbackTokenSymbols() const { return {}; }
    // The service's form for one day of every symbol of a market; null when it has none.
    [[nodiscard]] virtual const MarketDayForm *MarketDay() const { return nullptr; }

    // A service that offers both kinds of prices honours settings.options.prices; the others give one
    // kind, which PricesGiven() names for the user.
    [[nodiscard]] virtual bool OffersPriceKinds() const { return false; }
    [[nodiscard]] virtual QString PricesGiven() const
    {
        return QStringLiteral("prices adjusted for splits and dividends only");
    }
    // Parse() for prices of `kind`; a service with one kind reads every reply as Parse() does.
    [[nodiscard]] virtual ParsedReply ParseKind(PriceKind kind, const FetchResult &reply,
                                                const QString &symbol, const QLocale &locale, BarSeries &raw,
                                                BarSeries &output) const;

    // A search of the service's symbols by name or part of a code, for a service that has one.
    [[nodiscard]] virtual bool Searches() const { return false; }
    [[nodiscard]] virtual SourceRequest SearchRequest(const ServiceSettings &settings,
                                                      const QString &text) const;
    // Reads a search reply whose transfer succeeded with a status below 400.
    [[nodiscard]] virtual SearchReply ParseSearch(const FetchResult &reply) const;

private:
    Description m_description;
};
