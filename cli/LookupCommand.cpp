#include "LookupCommand.h"

#include "QuoteDownloader.h"
#include "SymbolLookup.h"

#include <QStringList>

namespace {

void Print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// A field holds no tab or line end, so every line keeps its five fields.
QString Field(QString text)
{
    for (QChar &c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    }
    return text;
}

} // namespace

int LookUpSymbols(const QList<ServiceSettings> &services, int quoteSource, const QString &text,
                  std::chrono::milliseconds timeout, std::FILE *out, std::FILE *err)
{
    HttpTransfer unused;
    const QuoteDownloader downloader(unused, services);
    SymbolLookup lookup(downloader);
    lookup.Transfer().SetTimeout(timeout);
    const SearchReply reply = lookup.Run(quoteSource, text);
    if (!reply.ok) {
        Print(err, QStringLiteral("quorbex: look-up failed: ") + reply.cause + u'\n');
        return 1;
    }
    if (reply.matches.isEmpty()) {
        Print(err, QStringLiteral("quorbex: no symbol matches '%1'\n").arg(text));
        return 1;
    }
    for (const SymbolMatch &match : reply.matches)
        Print(out, QStringList{Field(match.code), Field(match.name), Field(match.exchange), Field(match.type),
                               Field(match.currency)}
                           .join(u'\t') +
                       u'\n');
    return 0;
}
