#include "SymbolLookup.h"

#include "QuoteDownloader.h"
#include "ServiceGate.h"
#include "ServiceRegistry.h"
#include "SystemBatchClock.h"

#include <QEventLoop>

using namespace std::chrono_literals;

SymbolLookup::SymbolLookup(const QuoteDownloader &downloader, BatchClock *clock, QObject *parent)
    : QObject(parent), m_downloader(downloader),
      m_ownClock(clock ? nullptr : std::make_unique<SystemBatchClock>()),
      m_clock(clock ? clock : m_ownClock.get())
{
    connect(&m_transfer, &HttpTransfer::Finished, this, &SymbolLookup::OnReply);
}

SymbolLookup::~SymbolLookup() = default;

ServiceGate &SymbolLookup::Gate(int quoteSource)
{
    auto &gate = m_gates[quoteSource];
    if (!gate)
        gate = std::make_unique<ServiceGate>(m_downloader.Services().value(quoteSource).rates);
    return *gate;
}

void SymbolLookup::Start(int quoteSource, const QString &text)
{
    if (m_busy)
        return;
    m_busy = true;
    m_quoteSource = quoteSource;
    const quint64 generation = ++m_generation;
    const auto finishLater = [this, generation](const QString &cause) {
        m_clock->CallAfter(0ms, this, [this, generation, cause] {
            if (generation == m_generation)
                Finish({false, {}, cause});
        });
    };
    const QuoteService *service = ServiceRegistry::At(quoteSource);
    if (!service) {
        finishLater(QStringLiteral("unknown quote source"));
        return;
    }
    if (text.trimmed().isEmpty()) {
        finishLater(QStringLiteral("nothing to look up"));
        return;
    }
    m_request = service->SearchRequest(m_downloader.Services().value(quoteSource), text.trimmed());
    if (!m_request.cause.isEmpty()) {
        finishLater(m_request.cause);
        return;
    }
    ServiceGate &gate = Gate(quoteSource);
    const std::optional<std::chrono::milliseconds> wait = gate.Book(m_clock->Now(), m_clock->NowUtc());
    if (!wait) {
        finishLater(gate.NotTriedCause());
        return;
    }
    if (*wait > 0ms)
        Q_EMIT Waiting(*wait);
    m_clock->CallAfter(*wait, this, [this, generation] {
        if (generation == m_generation)
            Send();
    });
}

void SymbolLookup::Send()
{
    m_transfer.Start(m_request.url, m_request.headers);
}

void SymbolLookup::OnReply()
{
    if (!m_busy)
        return;
    const FetchResult reply = m_transfer.TakeResult();
    const QuoteService &service = *ServiceRegistry::At(m_quoteSource);
    // A look-up is not tried again: the user is waiting, and may simply ask again.
    (void)Gate(m_quoteSource).Judge(service, reply, 1, 0, m_clock->Now(), m_clock->NowUtc(), 0.0);
    if (const QString cause = m_downloader.TransferCause(m_quoteSource, reply); !cause.isEmpty()) {
        Finish({false, {}, cause});
        return;
    }
    SearchReply result = service.ParseSearch(reply);
    result.cause = m_downloader.Redacted(result.cause);
    Finish(std::move(result));
}

void SymbolLookup::Cancel()
{
    if (!m_busy)
        return;
    ++m_generation;
    m_busy = false; // so the transfer's own Finished() is passed over
    m_transfer.Cancel();
    Finish({false, {}, QStringLiteral("stopped")});
}

void SymbolLookup::Finish(SearchReply result)
{
    m_result = std::move(result);
    m_busy = false;
    Q_EMIT Finished();
}

SearchReply SymbolLookup::Run(int quoteSource, const QString &text)
{
    QEventLoop loop;
    connect(this, &SymbolLookup::Finished, &loop, &QEventLoop::quit);
    Start(quoteSource, text);
    if (m_busy)
        loop.exec();
    return m_result;
}
