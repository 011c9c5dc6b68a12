// Allocations by new go through malloc here, so that a parse can be made to run out of memory.
#include "GoogleService.h"
#include "QuoteMediaService.h"
#include "QuoteSources.h"
#include "YahooService.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
bool failLargeAllocations = false;
} // namespace

// Plain new and delete only; the other forms keep the library's own pairs.
void *operator new(std::size_t size)
{
    void *const memory =
        failLargeAllocations && size >= (std::size_t(1) << 20) ? nullptr : std::malloc(size + 1);
    return memory ? memory : throw std::bad_alloc();
}
void operator delete(void *memory) noexcept
{
    std::free(memory);
}
void operator delete(void *memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace {

// A reply too large for the memory left once ended the program; now that row fails like a bad reply.
TEST(QuoteReplies, RunningOutOfMemoryFailsTheRequestAndKeepsBothSeries)
{
    using Parser = int (*)(const QByteArray &, const QString &, const QLocale &, BarSeries &, BarSeries &);
    const std::pair<Parser, QByteArray> cases[] = {{YahooService::ParseReply, "2013-05-03,1,1,1,1,1,1\n"},
                                                   {GoogleService::ParseReply, "3-May-13,1,1,1,1,1\n"},
                                                   {QuoteMediaService::ParseReply, "2013-05-03,1,1,1,1,1\n"}};
    for (const auto &[parse, line] : cases) {
        const QByteArray reply =
            (parse == GoogleService::ParseReply ? "abcDate\n" : "Date\n") + line.repeated(100000);
        BarSeries raw;
        BarSeries output;
        raw.Symbol = output.Symbol = QStringLiteral("OLD");
        raw.Prepare(2);
        output.Prepare(2);
        failLargeAllocations = true;
        const int code = parse(reply, QStringLiteral("IBM"), QLocale::c(), raw, output);
        failLargeAllocations = false;
        EXPECT_EQ(code, QuoteSources::kRequestFailed);
        EXPECT_EQ(raw.Symbol, QStringLiteral("OLD"));
        EXPECT_EQ(raw.BarCount, 2);
        EXPECT_EQ(output.Symbol, QStringLiteral("OLD"));
        EXPECT_EQ(output.BarCount, 2);
        // With memory to spare the same reply parses.
        EXPECT_EQ(parse(reply, QStringLiteral("IBM"), QLocale::c(), raw, output), QuoteSources::kSuccess);
    }
}

} // namespace
