#include "QuoteServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

QSet<QByteArray> SymbolSet(const QString &list)
{
    QSet<QByteArray> symbols;
    for (const QString &symbol : list.split(u',', Qt::SkipEmptyParts))
        symbols.insert(symbol.trimmed().toUpper().toUtf8());
    return symbols;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quote-service"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves made-up daily price histories in the three historical-quote CSV forms "
                       "on 127.0.0.1, for tests and benchmarks."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 takes any free port."),
                                        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption endOption(QStringLiteral("end-date"),
                                       QStringLiteral("Last day of every history (default: today)."),
                                       QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption unknownOption(QStringLiteral("unknown"),
                                           QStringLiteral("Answer these symbols with a 404 HTML page."),
                                           QStringLiteral("SYM[,SYM...]"));
    const QCommandLineOption hangOption(QStringLiteral("hang"),
                                        QStringLiteral("Accept requests for these symbols and never answer."),
                                        QStringLiteral("SYM[,SYM...]"));
    const QCommandLineOption slowOption(QStringLiteral("slow"),
                                        QStringLiteral("Send the reply for these symbols in small pieces "
                                                       "over a few seconds."),
                                        QStringLiteral("SYM[,SYM...]"));
    parser.addOptions({portOption, endOption, unknownOption, hangOption, slowOption});
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        std::fprintf(stderr, "quote-service: --port takes a number from 0 to 65535\n");
        return 2;
    }
    QuoteServer::Options options;
    if (parser.isSet(endOption)) {
        options.endDate = QDate::fromString(parser.value(endOption), Qt::ISODate);
        if (!options.endDate.isValid()) {
            std::fprintf(stderr, "quote-service: --end-date takes a date as YYYY-MM-DD\n");
            return 2;
        }
    }
    options.unknown = SymbolSet(parser.values(unknownOption).join(u','));
    options.hang = SymbolSet(parser.values(hangOption).join(u','));
    options.slow = SymbolSet(parser.values(slowOption).join(u','));

    QuoteServer server(std::move(options));
    if (!server.Listen(static_cast<quint16>(port))) {
        std::fprintf(stderr, "quote-service: cannot listen: %s\n", qPrintable(server.ErrorString()));
        return 1;
    }
    std::printf("Quote service listening on http://127.0.0.1:%u\n", static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
