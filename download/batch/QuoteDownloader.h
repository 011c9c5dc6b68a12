#pragma once

#include "BarSeries.h"
#include "FetchResult.h"
#include "HttpTransfer.h"
#include "QuoteService.h"
#include "ServiceRegistry.h"

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>

// One symbol's history as its pieces arrive: `request` is the next to send until `done`.
struct HistoryFetch
{
    int quoteSource = 0;
    QString symbol;
    QDate start;
    SourceRequest request;
    int pieces = 0; // replies taken
    bool done = false;
    SourceOutcome outcome;
    BarSeries raw;    // the replies' counts
    BarSeries series; // the bars gathered so far, sorted by date; success only
};

// Fetches symbols' histories from the quote services of the registry and judges their replies.
// Begin() and Absorb() are the steps of Download(), for callers that run the transfers themselves.
class QuoteDownloader
{
public:
    // A bound on the requests of one history, so that no reply can keep a row asking for ever.
    static constexpr int kMaxPieces = 64;

    explicit QuoteDownloader(HttpTransfer &transfer,
                             QList<ServiceSettings> services = ServiceRegistry::DefaultSettings());

    // Every service's settings, in registry order.
    void SetServices(QList<ServiceSettings> services);
    [[nodiscard]] const QList<ServiceSettings> &Services() const { return m_services; }
    [[nodiscard]] HttpTransfer &Transfer() const { return m_transfer; }
    // Numbers whose form the services leave open are read under this locale (default: the system's).
    void SetLocale(const QLocale &locale);
    // The price kind and end date of every request from now on; the defaults ask as always.
    void SetRequestOptions(const RequestOptions &options);
    [[nodiscard]] const RequestOptions &Options() const { return m_options; }

    [[nodiscard]] SourceRequest Request(int quoteSource, const QString &symbol, QDate start) const;
    // Judges one reply: a failed transfer, then (for services judged by status) an HTTP status of 400
    // or more, then the service's reading of the body.
    [[nodiscard]] SourceOutcome Parse(int quoteSource, const FetchResult &reply, const QString &symbol,
                                      BarSeries &raw, BarSeries &output) const;

    // Why a reply failed before its body is read, in Parse()'s words: the transfer failed, or the status
    // is an error for a service judged by status (every one with a search is). Empty when neither.
    [[nodiscard]] QString TransferCause(int quoteSource, const FetchResult &reply) const;
    // The text with every token replaced, so that no cause ever shows one.
    [[nodiscard]] QString Redacted(QString text) const;

    [[nodiscard]] HistoryFetch Begin(int quoteSource, const QString &symbol, QDate start) const;
    // Takes the reply to fetch.request: the history is done, or the next piece's request is set.
    void Absorb(HistoryFetch &fetch, const FetchResult &reply) const;
    // Every piece through the transfer, into RawSeries and OutputSeries. An unknown source number
    // fails without a request.
    [[nodiscard]] SourceOutcome Download(int quoteSource, const QString &symbol, QDate start);

    BarSeries RawSeries;
    BarSeries OutputSeries;

private:
    [[nodiscard]] SourceOutcome Judge(int quoteSource, const FetchResult &reply, const QString &symbol,
                                      BarSeries &raw, BarSeries &output, ParsedReply &parsed) const;

    HttpTransfer &m_transfer;
    QList<ServiceSettings> m_services;
    QLocale m_locale = QLocale::system();
    RequestOptions m_options;
};
