#include "HttpTransfer.h"

#include <QDate>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>

using namespace std::chrono_literals;

namespace {

const QDate kEndDate(2013, 5, 3);
constexpr int kStartYear = 2012;

// One quote-service for the whole suite, with a fixed end date so that its replies are predictable.
class QuoteServiceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_process = std::make_unique<QProcess>();
        s_process->setProgram(QStringLiteral(QUOTE_SERVICE_PATH));
        s_process->setArguments({QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--end-date"),
                                 kEndDate.toString(Qt::ISODate), QStringLiteral("--unknown"),
                                 QStringLiteral("NOSUCH,ALSO.BAD"), QStringLiteral("--hang"),
                                 QStringLiteral("HANG"), QStringLiteral("--slow"), QStringLiteral("SLOW")});
        s_process->start();
        if (!s_process->waitForStarted())
            return;
        while (!s_process->canReadLine() && s_process->waitForReadyRead(10000)) {
        }
        const QString line = QString::fromUtf8(s_process->readLine());
        static const QRegularExpression ready(
            QStringLiteral("^Quote service listening on http://127\\.0\\.0\\.1:(\\d+)\n$"));
        if (const QRegularExpressionMatch match = ready.match(line); match.hasMatch())
            s_port = match.captured(1).toUShort();
    }

    static void TearDownTestSuite()
    {
        s_process->kill();
        s_process->waitForFinished();
        s_process.reset();
    }

    void SetUp() override { ASSERT_NE(s_port, 0) << "quote-service did not start"; }

    static QUrl Url(const QString &pathAndQuery)
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(s_port).arg(pathAndQuery));
    }

    static QByteArray Fetch(const QUrl &url, std::chrono::milliseconds timeout = 10s)
    {
        HttpTransfer transfer;
        transfer.SetTimeout(timeout);
        return transfer.Fetch(url);
    }

    static inline std::unique_ptr<QProcess> s_process;
    static inline quint16 s_port = 0;
};

QString YahooPath(const QString &symbol, int year = kStartYear)
{
    return QStringLiteral("/table.csv?s=%1&a=0&b=1&c=%2&g=d&ignore=.csv").arg(symbol).arg(year);
}

QString GooglePath(const QString &symbol, int year = kStartYear)
{
    return QStringLiteral("/finance/historical?q=%1&startdate=Jan+1%2C+%2&output=csv").arg(symbol).arg(year);
}

QString QuoteMediaPath(const QString &symbol, int year = kStartYear)
{
    return QStringLiteral("/quotetools/getHistoryDownload.csv?&webmasterId=501&startDay=1&startMonth=0"
                          "&startYear=%1&isRanged=true&symbol=%2")
        .arg(year)
        .arg(symbol);
}

QDate IsoDate(const QByteArray &field)
{
    return QDate::fromString(QString::fromLatin1(field), QStringLiteral("yyyy-MM-dd"));
}

QDate GoogleDate(const QByteArray &field)
{
    // Two-digit years parse as 19yy.
    const QDate date = QDate::fromString(QString::fromLatin1(field), QStringLiteral("d-MMM-yy"));
    return date.isValid() && date.year() < 1950 ? date.addYears(100) : date;
}

struct Form
{
    const char *name;
    QString (*path)(const QString &symbol, int year);
    QByteArray prefix;
    QByteArray header;
    qsizetype fieldCount;
    QDate (*date)(const QByteArray &field);
};

void PrintTo(const Form &form, std::ostream *out)
{
    *out << form.name;
}

const Form kForms[] = {
    {"Yahoo", YahooPath, "", "Date,Open,High,Low,Close,Volume,Adj Close", 7, IsoDate},
    {"Google", GooglePath, "\xEF\xBB\xBF", "Date,Open,High,Low,Close,Volume", 6, GoogleDate},
    {"QuoteMedia", QuoteMediaPath, "",
     "date,open,high,low,close,volume,changed,changep,adjclose,tradeval,tradevol", 11, IsoDate},
};

// The data lines of a reply, after checking the prefix, the header and the line ends.
QList<QByteArray> DataLines(const QByteArray &reply, const Form &form)
{
    EXPECT_TRUE(reply.startsWith(form.prefix + form.header + '\n')) << reply.left(80).toStdString();
    EXPECT_TRUE(reply.endsWith('\n'));
    EXPECT_FALSE(reply.contains('\r'));
    QList<QByteArray> lines = reply.mid(form.prefix.size()).split('\n');
    lines.removeFirst(); // header
    lines.removeLast();  // after the final LF
    return lines;
}

class QuoteServiceFormTest : public QuoteServiceTest, public ::testing::WithParamInterface<Form>
{};

TEST_P(QuoteServiceFormTest, ServesWeekdaysNewestFirstWithSanePrices)
{
    const Form &form = GetParam();
    const QList<QByteArray> lines =
        DataLines(Fetch(Url(form.path(QStringLiteral("MSFT"), kStartYear))), form);
    ASSERT_GT(lines.size(), 250);

    QDate previous;
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(',');
        ASSERT_EQ(fields.size(), form.fieldCount) << line.toStdString();
        const QDate date = form.date(fields[0]);
        ASSERT_TRUE(date.isValid()) << line.toStdString();
        EXPECT_LT(date.dayOfWeek(), 6) << line.toStdString();
        if (previous.isValid()) {
            EXPECT_LT(date, previous) << line.toStdString();
        }
        previous = date;

        const double open = fields[1].toDouble();
        const double high = fields[2].toDouble();
        const double low = fields[3].toDouble();
        const double close = fields[4].toDouble();
        EXPECT_GT(low, 0.0) << line.toStdString();
        EXPECT_LE(low, std::min(open, close)) << line.toStdString();
        EXPECT_GE(high, std::max(open, close)) << line.toStdString();
        bool volumeOk = false;
        EXPECT_GT(fields[5].toLongLong(&volumeOk), 0);
        EXPECT_TRUE(volumeOk) << line.toStdString();
    }
    EXPECT_EQ(form.date(lines.first().split(',')[0]), kEndDate);
    EXPECT_EQ(previous.year(), kStartYear);
    EXPECT_EQ(previous.month(), 1);
}

TEST_P(QuoteServiceFormTest, RepliesAreDeterministicAndDifferBySymbolAndYear)
{
    const Form &form = GetParam();
    const QByteArray first = Fetch(Url(form.path(QStringLiteral("%5EGSPC"), kStartYear)));
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(Fetch(Url(form.path(QStringLiteral("%5EGSPC"), kStartYear))), first);
    EXPECT_NE(Fetch(Url(form.path(QStringLiteral("IBM"), kStartYear))), first);
    EXPECT_NE(Fetch(Url(form.path(QStringLiteral("%5EGSPC"), kStartYear - 1))), first);
}

TEST_P(QuoteServiceFormTest, AnUnknownSymbolGetsAnHtmlPage)
{
    const Form &form = GetParam();
    for (const QString &symbol : {QStringLiteral("NOSUCH"), QStringLiteral("also.bad")}) {
        const QByteArray reply = Fetch(Url(form.path(symbol, kStartYear)));
        EXPECT_TRUE(reply.startsWith("<!DOCTYPE html>")) << reply.left(80).toStdString();
        EXPECT_FALSE(reply.contains("Date,")) << reply.left(80).toStdString();
    }
}

TEST_P(QuoteServiceFormTest, AStartYearAfterTheEndDateGivesTheHeaderAlone)
{
    const Form &form = GetParam();
    EXPECT_EQ(Fetch(Url(form.path(QStringLiteral("MSFT"), kEndDate.year() + 1))),
              form.prefix + form.header + '\n');
}

INSTANTIATE_TEST_SUITE_P(Forms, QuoteServiceFormTest, ::testing::ValuesIn(kForms),
                         [](const ::testing::TestParamInfo<Form> &info) { return info.param.name; });

TEST_F(QuoteServiceTest, YahooAdjustedCloseDiffersFromCloseOnOlderBars)
{
    const QList<QByteArray> lines = DataLines(Fetch(Url(YahooPath(QStringLiteral("MSFT"), 2000))), kForms[0]);
    ASSERT_GT(lines.size(), 1000);
    const QList<QByteArray> newest = lines.first().split(',');
    const QList<QByteArray> oldest = lines.last().split(',');
    EXPECT_EQ(newest[4], newest[6]);
    EXPECT_GT(oldest[4].toDouble(), oldest[6].toDouble());
}

TEST_F(QuoteServiceTest, TheThreeFormsDescribeTheSameNewestBar)
{
    const auto newest = [](const QByteArray &reply, const Form &form) {
        return DataLines(reply, form).first().split(',').mid(1, 5);
    };
    const QList<QByteArray> yahoo = newest(Fetch(Url(YahooPath(QStringLiteral("AAPL")))), kForms[0]);
    EXPECT_EQ(newest(Fetch(Url(GooglePath(QStringLiteral("AAPL")))), kForms[1]), yahoo);
    EXPECT_EQ(newest(Fetch(Url(QuoteMediaPath(QStringLiteral("AAPL")))), kForms[2]), yahoo);
}

TEST_F(QuoteServiceTest, AHangingSymbolTimesOut)
{
    EXPECT_TRUE(Fetch(Url(YahooPath(QStringLiteral("HANG"))), 300ms).isEmpty());
}

TEST_F(QuoteServiceTest, ASlowReplyArrivesWholeButNotWithinAShortTimeOut)
{
    const QByteArray normal = Fetch(Url(YahooPath(QStringLiteral("SLOW"), kEndDate.year())));
    EXPECT_TRUE(Fetch(Url(YahooPath(QStringLiteral("SLOW"), kEndDate.year())), 300ms).isEmpty());
    EXPECT_TRUE(normal.startsWith("Date,"));
    EXPECT_GT(normal.size(), 1000);
}

// The transfer keeps its connection between symbols; the service must answer a second request on it.
TEST_F(QuoteServiceTest, AnswersSeveralRequestsOnOneConnection)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), s_port);
    ASSERT_TRUE(socket.waitForConnected(5000));
    const QByteArray request =
        "GET " + YahooPath(QStringLiteral("KO")).toLatin1() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    socket.write(request + request);

    QByteArray received;
    int bodies = 0;
    while (bodies < 2) {
        const qsizetype headEnd = received.indexOf("\r\n\r\n");
        const QRegularExpressionMatch length =
            QRegularExpression(QStringLiteral("Content-Length: (\\d+)"))
                .match(QString::fromLatin1(received.left(std::max<qsizetype>(headEnd, 0))));
        if (headEnd >= 0 && length.hasMatch() &&
            received.size() >= headEnd + 4 + length.captured(1).toLongLong()) {
            EXPECT_TRUE(received.startsWith("HTTP/1.1 200 OK\r\n"));
            EXPECT_TRUE(received.mid(headEnd + 4).startsWith("Date,"));
            received.remove(0, headEnd + 4 + length.captured(1).toLongLong());
            ++bodies;
            continue;
        }
        ASSERT_TRUE(socket.waitForReadyRead(5000)) << "got " << bodies << " replies";
        received.append(socket.readAll());
    }
    EXPECT_TRUE(received.isEmpty());
    EXPECT_EQ(socket.state(), QAbstractSocket::ConnectedState);
}

} // namespace
