#pragma once

#include "HttpTransfer.h"
#include "QuoteService.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <map>
#include <memory>

class BatchClock;
class QuoteDownloader;
class ServiceGate;

// Searches a service's symbols, one search at a time, on a connection of its own. A search is a request
// like any other: it keeps to the service's pace, and once a refusal says the allowance is spent no
// further search of that service is sent while this object lives. Settings, tokens and the wording of
// failures are the downloader's.
class SymbolLookup : public QObject
{
    Q_OBJECT
public:
    // Without a clock the system's is kept.
    explicit SymbolLookup(const QuoteDownloader &downloader, BatchClock *clock = nullptr,
                          QObject *parent = nullptr);
    ~SymbolLookup() override;

    // Finished() follows, never from inside this call; ignored while a search is under way.
    void Start(int quoteSource, const QString &text);
    // Start() and a wait for Finished().
    [[nodiscard]] SearchReply Run(int quoteSource, const QString &text);
    // Abandons the search under way; Finished() follows at once, with the cause "stopped".
    void Cancel();
    [[nodiscard]] bool Busy() const { return m_busy; }
    [[nodiscard]] const SearchReply &Result() const { return m_result; }
    [[nodiscard]] HttpTransfer &Transfer() { return m_transfer; }

Q_SIGNALS:
    // The search waits `wait` before its request goes, to keep to the service's pace.
    void Waiting(std::chrono::milliseconds wait);
    void Finished();

private:
    void Send();
    void OnReply();
    void Finish(SearchReply result);
    [[nodiscard]] ServiceGate &Gate(int quoteSource);

    const QuoteDownloader &m_downloader;
    std::unique_ptr<BatchClock> m_ownClock;
    BatchClock *m_clock;
    HttpTransfer m_transfer;
    std::map<int, std::unique_ptr<ServiceGate>> m_gates;
    int m_quoteSource = 0;
    SourceRequest m_request;
    SearchReply m_result;
    bool m_busy = false;
    quint64 m_generation = 0; // a wait of a cancelled search does not send
};
