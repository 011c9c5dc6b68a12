#include "ReplyCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CheckTokenReply(data, size, TwelveDataService::ParseReply,
                    {';', {"datetime", "open", "high", "low", "close"}});

    // Whole replies, an error body among them, under a success and an error status.
    static const TwelveDataService service;
    FetchResult reply;
    reply.ok = true;
    reply.body = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
    reply.httpStatus = size % 2 ? 200 : 500;
    const QString symbol = QStringLiteral("MSFT");
    const BarSeries before = Earlier();
    BarSeries raw = before;
    BarSeries output = before;
    const ParsedReply parsed = service.Parse(reply, symbol, QLocale::c(), raw, output);
    const QString cause = service.ErrorCause(reply);
    (void)service.Refuses(reply);
    FUZZ_CHECK(cause.size() <= 80 && cause == cause.simplified());
    FUZZ_CHECK(cause.isEmpty() || !cause.back().isHighSurrogate());
    if (!parsed.cause.isEmpty()) {
        FUZZ_CHECK(parsed.cause == cause && parsed.result != QuoteSources::kSuccess);
        FUZZ_CHECK(SameSeries(output, before));
    }
    return 0;
}
