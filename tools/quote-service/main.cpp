#include "QuoteServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

QSet<QByteArray> SymbolSet(const QString &list)
{
    QSet<QByteArray> symbols;
    for (const QString &symbol : list.split(u',', Qt::SkipEmptyParts))
        symbols.insert(symbol.trimmed().toUpper().toUtf8());
    return symbols;
}

// "SYM:K[,SYM:K...]"; false when a piece is not of that form.
bool ParseFlaky(const QString &list, QHash<QByteArray, int> &flaky)
{
    for (const QString &piece : list.split(u',', Qt::SkipEmptyParts)) {
        const qsizetype colon = piece.lastIndexOf(u':');
        bool ok = false;
        const int count = piece.mid(colon + 1).toInt(&ok);
        if (colon <= 0 || !ok || count < 0)
            return false;
        flaky.insert(piece.left(colon).trimmed().toUpper().toUtf8(), count);
    }
    return true;
}

// "N/SECONDS", both positive.
bool ParseRate(const QString &text, RequestLimits::Rate &rate)
{
    const QStringList parts = text.split(u'/');
    bool countOk = false;
    bool periodOk = false;
    const int count = parts.value(0).toInt(&countOk);
    const int period = parts.value(1).toInt(&periodOk);
    if (parts.size() != 2 || !countOk || !periodOk || count < 1 || period < 1)
        return false;
    rate = {count, std::chrono::seconds(period)};
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quote-service"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves made-up daily price histories in the six historical-quote CSV forms "
                       "on 127.0.0.1, for tests and benchmarks.\n"
                       "EODHD's, Tiingo's and Twelve Data's histories come adjusted or as traded (raw "
                       "columns; adjust=none) and end on the day asked (to, endDate, the day before "
                       "end_date). Their searches (/api/search/TEXT, /tiingo/utilities/search?query=, "
                       "/symbol_search?symbol=) answer from a small table of names, among them "
                       "\"berkshire\" (BRK-B.US, BRK-B, BRK.B); EODHD's demo token gets 403."));
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
    const QCommandLineOption tokenOption(
        QStringLiteral("token"),
        QStringLiteral("The API token the EODHD, Tiingo and Twelve Data forms accept "
                       "(default: any token that is not empty)."),
        QStringLiteral("T"));
    const QCommandLineOption latencyOption(
        QStringLiteral("latency"), QStringLiteral("Wait this long before the first byte of every reply."),
        QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption certOption(
        QStringLiteral("tls-cert"),
        QStringLiteral("Serve HTTPS with this PEM certificate (needs --tls-key)."), QStringLiteral("FILE"));
    const QCommandLineOption keyOption(QStringLiteral("tls-key"),
                                       QStringLiteral("The PEM private key of --tls-cert."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption logOption(QStringLiteral("log-connections"),
                                       QStringLiteral("Print a line for each connection accepted."));
    const QCommandLineOption requestLogOption(
        QStringLiteral("log-requests"),
        QStringLiteral("Print a line for each request: time, status and target, tokens shown as ***."));
    const QCommandLineOption rateOption(
        QStringLiteral("rate-limit"),
        QStringLiteral("Serve at most N requests in any SECONDS seconds; refuse the rest with 429 and "
                       "Retry-After."),
        QStringLiteral("N/SECONDS"));
    const QCommandLineOption allowanceOption(
        QStringLiteral("allowance"),
        QStringLiteral("Serve N requests in all, then refuse every request as each service does when "
                       "its daily allowance is spent. Refused requests count against neither limit."),
        QStringLiteral("N"));
    const QCommandLineOption flakyOption(QStringLiteral("flaky"),
                                         QStringLiteral("Answer the first K requests for SYM with 503."),
                                         QStringLiteral("SYM:K[,SYM:K...]"));
    parser.addOptions({portOption, endOption, unknownOption, hangOption, slowOption, tokenOption,
                       latencyOption, certOption, keyOption, logOption, requestLogOption, rateOption,
                       allowanceOption, flakyOption});
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
    options.token = parser.value(tokenOption).toUtf8();
    options.logConnections = parser.isSet(logOption);
    options.logRequests = parser.isSet(requestLogOption);
    if (parser.isSet(rateOption) && !ParseRate(parser.value(rateOption), options.rate)) {
        std::fprintf(stderr, "quote-service: --rate-limit takes N/SECONDS, both at least 1\n");
        return 2;
    }
    if (parser.isSet(allowanceOption)) {
        bool ok = false;
        options.allowance = parser.value(allowanceOption).toLongLong(&ok);
        if (!ok || options.allowance < 0) {
            std::fprintf(stderr, "quote-service: --allowance takes a number of requests\n");
            return 2;
        }
    }
    if (!ParseFlaky(parser.values(flakyOption).join(u','), options.flaky)) {
        std::fprintf(stderr, "quote-service: --flaky takes SYM:K, K a number of requests\n");
        return 2;
    }
    bool latencyOk = false;
    const uint latency = parser.value(latencyOption).toUInt(&latencyOk);
    if (!latencyOk || latency > 600000) {
        std::fprintf(stderr, "quote-service: --latency takes milliseconds from 0 to 600000\n");
        return 2;
    }
    options.latency = std::chrono::milliseconds(latency);
    if (parser.isSet(certOption) || parser.isSet(keyOption)) {
        QFile certFile(parser.value(certOption));
        QFile keyFile(parser.value(keyOption));
        if (certFile.open(QIODevice::ReadOnly))
            options.certificate = QSslCertificate(&certFile, QSsl::Pem);
        if (keyFile.open(QIODevice::ReadOnly))
            options.key = QSslKey(&keyFile, QSsl::Rsa, QSsl::Pem);
        if (options.certificate.isNull() || options.key.isNull()) {
            std::fprintf(stderr,
                         "quote-service: --tls-cert and --tls-key take a PEM certificate and its RSA key\n");
            return 2;
        }
    }
    const bool tls = !options.certificate.isNull();

    QuoteServer server(std::move(options));
    if (!server.Listen(static_cast<quint16>(port))) {
        std::fprintf(stderr, "quote-service: cannot listen: %s\n", qPrintable(server.ErrorString()));
        return 1;
    }
    std::printf("Quote service listening on %s://127.0.0.1:%u\n", tls ? "https" : "http",
                static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
