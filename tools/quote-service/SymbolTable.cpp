#include "SymbolTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

struct Listing
{
    const char *name;
    const char *type;
    const char *currency;
    const char *eodhd; // code and exchange, as EODHD's search has them
    const char *eodhdExchange;
    const char *tiingo; // empty: not listed there
    const char *twelveData;
    const char *twelveDataExchange;
};

constexpr Listing kListings[] = {
    {"Berkshire Hathaway Inc Class B", "Common Stock", "USD", "BRK-B", "US", "brk-b", "BRK.B", "NYSE"},
    {"Berkshire Hathaway Inc Class A", "Common Stock", "USD", "BRK-A", "US", "brk-a", "BRK.A", "NYSE"},
    {"Apple Inc", "Common Stock", "USD", "AAPL", "US", "aapl", "AAPL", "NASDAQ"},
    {"International Business Machines Corp", "Common Stock", "USD", "IBM", "US", "ibm", "IBM", "NYSE"},
    {"Vanguard Total Stock Market Index Fund ETF", "ETF", "USD", "VTI", "US", "vti", "VTI", "NYSE"},
    {"State Bank of India", "Common Stock", "INR", "SBIN", "NSE", "", "SBIN", "NSE"},
};

bool Holds(const char *field, const QByteArray &text)
{
    return QByteArray(field).toLower().contains(text.toLower());
}

} // namespace

std::optional<SymbolSearch> SymbolSearch::Parse(const QByteArray &target, const QByteArray &head)
{
    const qsizetype question = target.indexOf('?');
    const QByteArray path = question >= 0 ? target.left(question) : target;
    const QByteArray query = question >= 0 ? target.mid(question + 1) : QByteArray();
    const QByteArray authorization = QuoteRequest::HeaderValue(head, "Authorization");
    SymbolSearch search;
    if (path.startsWith("/api/search/") && path.count('/') == 3) {
        search.form = QuoteForm::Eodhd;
        search.text = QByteArray::fromPercentEncoding(path.mid(12));
        search.token = QuoteRequest::QueryValue(query, "api_token");
    } else if (path == "/tiingo/utilities/search") {
        search.form = QuoteForm::Tiingo;
        search.text = QuoteRequest::QueryValue(query, "query");
        search.token = authorization.startsWith("Token ") ? authorization.mid(6).trimmed()
                                                          : QuoteRequest::QueryValue(query, "token");
    } else if (path == "/symbol_search") {
        search.form = QuoteForm::TwelveData;
        search.text = QuoteRequest::QueryValue(query, "symbol");
        search.token = authorization.startsWith("apikey ") ? authorization.mid(7).trimmed()
                                                           : QuoteRequest::QueryValue(query, "apikey");
    } else {
        return std::nullopt;
    }
    return search;
}

QByteArray SymbolSearch::Matches() const
{
    const auto latin = [](const char *text) { return QJsonValue(QString::fromLatin1(text)); };
    QJsonArray list;
    for (const Listing &listing : kListings) {
        const char *code = form == QuoteForm::Eodhd    ? listing.eodhd
                           : form == QuoteForm::Tiingo ? listing.tiingo
                                                       : listing.twelveData;
        if (*code == '\0' || text.isEmpty() || !(Holds(listing.name, text) || Holds(code, text)))
            continue;
        const bool india = QByteArrayView(listing.currency) == "INR";
        if (form == QuoteForm::Eodhd)
            list.append(QJsonObject{{u"Code"_s, latin(code)},
                                    {u"Exchange"_s, latin(listing.eodhdExchange)},
                                    {u"Name"_s, latin(listing.name)},
                                    {u"Type"_s, latin(listing.type)},
                                    {u"Country"_s, india ? u"India"_s : u"USA"_s},
                                    {u"Currency"_s, latin(listing.currency)},
                                    {u"ISIN"_s, QJsonValue::Null}});
        else if (form == QuoteForm::Tiingo)
            list.append(
                QJsonObject{{u"ticker"_s, latin(code)},
                            {u"name"_s, latin(listing.name)},
                            {u"assetType"_s, QByteArrayView(listing.type) == "ETF" ? u"ETF"_s : u"Stock"_s},
                            {u"isActive"_s, true},
                            {u"permaTicker"_s, u"US00000000"_s + QString::number(list.size() + 100)},
                            {u"openFIGI"_s, QJsonValue::Null},
                            {u"countryCode"_s, u"US"_s}});
        else
            list.append(QJsonObject{{u"symbol"_s, latin(code)},
                                    {u"instrument_name"_s, latin(listing.name)},
                                    {u"exchange"_s, latin(listing.twelveDataExchange)},
                                    {u"instrument_type"_s, latin(listing.type)},
                                    {u"country"_s, india ? u"India"_s : u"United States"_s},
                                    {u"currency"_s, latin(listing.currency)}});
    }
    if (form == QuoteForm::TwelveData)
        return QJsonDocument(QJsonObject{{u"data"_s, list}, {u"status"_s, u"ok"_s}})
            .toJson(QJsonDocument::Compact);
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}
