#include "QuoteRequest.h"

#include <QList>

#include <array>
#include <cctype>

namespace {

bool IsTokenParameter(QByteArrayView name)
{
    for (const QByteArrayView token : {"api_token", "apikey", "token"}) {
        if (name.compare(token, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The last run of digits, so both "2013" and "Jan 1, 2013" give 2013; 0 when there is none.
int TrailingNumber(const QByteArray &text)
{
    qsizetype end = text.size();
    while (end > 0 && !std::isdigit(static_cast<unsigned char>(text[end - 1])))
        --end;
    qsizetype begin = end;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(text[begin - 1])))
        --begin;
    return text.mid(begin, end - begin).toInt();
}

// A missing field takes its fallback; one that is not a number gives -1, which no date accepts.
int FieldOr(const QByteArray &field, int fallback)
{
    if (field.isNull())
        return fallback;
    bool ok = false;
    const int value = field.trimmed().toInt(&ok);
    return ok ? value : -1;
}

std::optional<QDate> DateOf(const QByteArray &year, int month, int day)
{
    if (year.isNull())
        return std::nullopt;
    return QDate(TrailingNumber(year), month, day);
}

// "2013-05-03", also "2013-05", "2013" and Twelve Data's "2013-05-03 00:00:00".
std::optional<QDate> IsoDate(const QByteArray &text)
{
    if (text.isNull())
        return std::nullopt;
    const QList<QByteArray> parts = text.split(' ').at(0).split('-');
    return QDate(FieldOr(parts.at(0), -1), FieldOr(parts.value(1), 1), FieldOr(parts.value(2), 1));
}

// Google's "Jan 1, 2013", with '+' for the spaces; a year alone means 1 January.
std::optional<QDate> GoogleDate(QByteArray text)
{
    static constexpr std::array<QByteArrayView, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                               "jul", "aug", "sep", "oct", "nov", "dec"};
    if (text.isNull())
        return std::nullopt;
    const QList<QByteArray> words = text.replace('+', ' ').replace(',', ' ').simplified().split(' ');
    if (words.size() == 1)
        return DateOf(words.at(0), 1, 1);
    if (words.size() != 3)
        return QDate();
    int month = 0;
    for (qsizetype m = 0; m < 12 && month == 0; ++m)
        month = words.at(0).toLower().startsWith(kMonths.at(static_cast<std::size_t>(m))) ? int(m) + 1 : 0;
    return QDate(FieldOr(words.at(2), -1), month, FieldOr(words.at(1), -1));
}

int ZeroBasedMonth(const QByteArray &field)
{
    const int month = FieldOr(field, 0);
    return month >= 0 ? month + 1 : -1;
}

} // namespace

QByteArray QuoteRequest::QueryValue(const QByteArray &query, const QByteArray &name)
{
    for (const QByteArray &pair : query.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        if (equals >= 0 && pair.left(equals) == name)
            return QByteArray::fromPercentEncoding(pair.mid(equals + 1));
    }
    return {};
}

QByteArray QuoteRequest::HeaderValue(const QByteArray &head, const QByteArray &name)
{
    for (const QByteArray &line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

QByteArray QuoteRequest::MaskedTarget(const QByteArray &target)
{
    const qsizetype question = target.indexOf('?');
    if (question < 0)
        return target;
    QList<QByteArray> pairs = target.mid(question + 1).split('&');
    for (QByteArray &pair : pairs) {
        const qsizetype equals = pair.indexOf('=');
        if (equals >= 0 && IsTokenParameter(QByteArrayView(pair).first(equals)))
            pair = pair.left(equals + 1) + "***";
    }
    return target.left(question + 1) + pairs.join('&');
}

std::optional<QuoteRequest> QuoteRequest::Parse(const QByteArray &target, const QByteArray &head)
{
    const qsizetype question = target.indexOf('?');
    const QByteArray path = question >= 0 ? target.left(question) : target;
    QuoteRequest request;
    request.query = question >= 0 ? target.mid(question + 1) : QByteArray();
    const auto value = [&](const char *name) { return QueryValue(request.query, name); };
    const QList<QByteArray> segments = path.split('/');
    const QByteArray authorization = HeaderValue(head, "Authorization");
    if (path.startsWith("/api/eod-bulk-last-day/") && segments.size() == 4) {
        request.form = QuoteForm::Eodhd;
        request.marketDay = true;
        request.token = value("api_token");
        request.symbol = QByteArray::fromPercentEncoding(segments[3]);
        request.start = IsoDate(value("date"));
    } else if (path == "/tiingo/daily/prices") {
        request.form = QuoteForm::Tiingo;
        request.marketDay = true;
        request.token = authorization.startsWith("Token ") ? authorization.mid(6).trimmed() : QByteArray();
    } else if (path.startsWith("/api/eod/") && segments.size() == 4) {
        request.form = QuoteForm::Eodhd;
        request.token = value("api_token");
        request.symbol = QByteArray::fromPercentEncoding(segments[3]);
        // The suffix names where the symbol trades; the history is the symbol's own.
        if (const qsizetype dot = request.symbol.lastIndexOf('.'); dot > 0)
            request.symbol.truncate(dot);
        request.start = IsoDate(value("from"));
    } else if (path.startsWith("/tiingo/daily/") && segments.size() == 5 && segments[4] == "prices") {
        request.form = QuoteForm::Tiingo;
        const QByteArray authorization = HeaderValue(head, "Authorization");
        if (authorization.startsWith("Token "))
            request.token = authorization.mid(6).trimmed();
        request.symbol = QByteArray::fromPercentEncoding(segments[3]);
        request.start = IsoDate(value("startDate"));
    } else if (path == "/time_series") {
        request.form = QuoteForm::TwelveData;
        const QByteArray authorization = HeaderValue(head, "Authorization");
        request.token =
            authorization.startsWith("apikey ") ? authorization.mid(7).trimmed() : value("apikey");
        request.symbol = value("symbol");
        request.start = IsoDate(value("start_date"));
    } else if (path == "/table.csv") {
        request.form = QuoteForm::Yahoo;
        request.symbol = value("s");
        request.start = DateOf(value("c"), ZeroBasedMonth(value("a")), FieldOr(value("b"), 1));
    } else if (path == "/finance/historical") {
        request.form = QuoteForm::Google;
        request.symbol = value("q");
        request.start = GoogleDate(value("startdate"));
    } else if (path == "/quotetools/getHistoryDownload.csv") {
        request.form = QuoteForm::QuoteMedia;
        request.symbol = value("symbol");
        request.start =
            DateOf(value("startYear"), ZeroBasedMonth(value("startMonth")), FieldOr(value("startDay"), 1));
    } else {
        return std::nullopt;
    }
    return request;
}
