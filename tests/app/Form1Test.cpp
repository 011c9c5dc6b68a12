#include "Form1.h"
#include "AppSettings.h"
#include "CannedHttpServer.h"
#include "DirectoryName.h"
#include "FakeBatchClock.h"
#include "FakePlatform.h"
#include "FileSizeLimit.h"
#include "PlatformServices.h"
#include "QtPrinters.h"
#include "QuoteServiceProcess.h"
#include "SymbolListModel.h"
#include "TestFiles.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

// One local quote service for the whole suite; "HANG" never answers, "NOSUCH" is not listed.
QString QuoteServiceUrl()
{
    static const QuoteServiceProcess service({QStringLiteral("--hang"), QStringLiteral("HANG"),
                                              QStringLiteral("--unknown"), QStringLiteral("NOSUCH"),
                                              QStringLiteral("--end-date"), QStringLiteral("2024-06-28")});
    return service.BaseUrl();
}

template <typename T> void AppendLittleEndian(QByteArray &out, T value)
{
    const T bytes = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&bytes), sizeof bytes);
}

// The bar records a token service's reply must give, worked out from its fields rather than by the
// parser: the columns of open, high, low, close and volume, EODHD's scaled to its adjusted close.
QByteArray ExpectedRecords(const QByteArray &csv, bool eodhd)
{
    const int columns[2][5] = {{9, 7, 8, 6, 10}, {1, 2, 3, 5, 6}};
    QByteArray records;
    for (const QByteArray &line : csv.trimmed().split('\n').mid(1)) {
        const QList<QByteArray> fields = line.split(',');
        const double ratio = eodhd ? fields[5].toDouble() / fields[4].toDouble() : 1.0;
        AppendLittleEndian(
            records,
            double(
                QDate(1899, 12, 30).daysTo(QDate::fromString(QString::fromLatin1(fields[0]), Qt::ISODate))));
        for (int k = 0; k < 5; ++k) {
            const double value = fields[columns[eodhd][k]].toDouble();
            AppendLittleEndian(records, float(k < 3    ? value * ratio
                                              : k == 3 ? value
                                                       : std::floor(value / ratio)));
        }
    }
    return records;
}

class Form1Test : public ::testing::Test
{
protected:
    Form1Test() { m_clock.AdvanceWhenIdle(); }

    static void SetUpTestSuite() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    QString ProgramFile(const char *name) const { return m_programFolder.filePath(QLatin1StringView(name)); }

    // Settings that point the three sources at the local quote service and the .bin
    // destination at a fresh folder.
    void WriteSettings(const QByteArray &settingsSection = {})
    {
        const QByteArray base = QuoteServiceUrl().toLatin1();
        ASSERT_FALSE(base.isEmpty()) << "quote service did not start";
        const QByteArray folder = m_output.path().toLocal8Bit();
        ASSERT_TRUE(WriteFile(ProgramFile("Quorbex.ini"),
                              "[Settings]\r\nBMpath=" + folder + "\r\nQLTpath=" + folder + "\r\n" +
                                  settingsSection + "[Endpoints]\r\nYahoo=" + base + "\r\nGoogle=" + base +
                                  "\r\nQuoteMedia=" + base + "\r\n"));
    }

    Form1 &Open()
    {
        m_form = std::make_unique<Form1>(m_platform, m_programFolder.path());
        m_form->SetRequestTimeout(std::chrono::milliseconds(1500));
        m_form->SetBatchClock(&m_clock);
        return *m_form;
    }

    template <typename T> T *Child(const char *name) const
    {
        return m_form->findChild<T *>(QLatin1StringView(name));
    }

    QPushButton *Button(const char *name, int index) const
    {
        const auto buttons = m_form->findChildren<QPushButton *>(QLatin1StringView(name));
        for (QPushButton *button : buttons) {
            if (button->property("Index").toInt() == index)
                return button;
        }
        return nullptr;
    }

    QString Destination() const { return Child<QLabel>("lblDestinationFolder")->text(); }
    QStringList Cells(int row) const { return m_form->Symbols().Row(row).Cells; }
    QString Tooltip(int row) const
    {
        return m_form->Symbols().index(row, CellStatus).data(Qt::ToolTipRole).toString();
    }

    void AddRows(const QStringList &symbols)
    {
        for (const QString &symbol : symbols)
            m_form->Symbols().AddRow(symbol);
    }

    FakePlatform m_platform;
    FakeBatchClock m_clock;
    QTemporaryDir m_programFolder;
    QTemporaryDir m_output;
    std::unique_ptr<Form1> m_form;
};

TEST_F(Form1Test, StartUpShowsDefaultsOrTheSavedChoicesRepaired)
{
    // A first start opens on a service that works online, with the symbols its demo token is served for.
    Open();
    EXPECT_EQ(Child<QLineEdit>("txtStartYear")->text(), QStringLiteral("2000"));
    EXPECT_EQ(Child<QComboBox>("cmbQuoteSource")->currentText(), QStringLiteral("EODHD (API token)"));
    EXPECT_EQ(m_form->Symbols().Count(), 6);
    EXPECT_EQ(m_form->Symbols().Row(5).Symbol, u"EURUSD.FOREX"_s);
    EXPECT_EQ(Child<QComboBox>("cmbFileFormat")->currentText(), QStringLiteral("Brindlemoor .bin file"));
    EXPECT_EQ(Destination(), DefaultBMpath());
    EXPECT_EQ(m_form->pos(), QPoint((1920 - 504) / 2, (1080 - 536) / 2));
    ASSERT_TRUE(WriteFile(ProgramFile("Symbols.txt"), "IBM\r\n"));
    Open();
    EXPECT_EQ(m_form->Symbols().Count(), 1);

    ASSERT_TRUE(WriteFile(ProgramFile("Quorbex.ini"),
                          "[settings]\r\nfileformat=1\r\nQuoteSource=6\r\nBMpath=/b\r\n"
                          "QLTpath=/q\r\nDestinationFolder=/elsewhere\r\nStartYear=1999\r\n"));
    m_platform.screen = QSize(400, 300);
    Form1 &form = Open();
    EXPECT_EQ(Destination(), QStringLiteral("/q"));
    EXPECT_EQ(form.FileFormat, 1);
    EXPECT_EQ(form.QuoteSource, 0);
    EXPECT_EQ(Child<QComboBox>("cmbQuoteSource")->currentIndex(), 0);
    EXPECT_EQ(Child<QLineEdit>("txtStartYear")->text(), QStringLiteral("1999"));
    EXPECT_LT(form.pos().x(), 0); // a window larger than the screen is still centred
}

TEST_F(Form1Test, EachFormatRemembersItsOwnFolder)
{
    ASSERT_TRUE(WriteFile(ProgramFile("Quorbex.ini"), "[Settings]\r\nBMpath=/b\r\nQLTpath=/q\r\n"));
    Form1 &form = Open();
    auto *formats = Child<QComboBox>("cmbFileFormat");
    formats->setCurrentIndex(1);
    m_platform.folderAnswer = QStringLiteral("/data/quotes");
    form.cmdPickFolder_Click();
    EXPECT_EQ(m_platform.pickerStartedIn, QStringLiteral("/q"));
    EXPECT_EQ(Destination(), QStringLiteral("/data/quotes/"));
    formats->setCurrentIndex(0);
    EXPECT_EQ(Destination(), QStringLiteral("/b"));
    formats->setCurrentIndex(1);
    EXPECT_EQ(Destination(), QStringLiteral("/data/quotes/"));

    m_platform.folderAnswer.clear(); // cancelled
    form.cmdPickFolder_Click();
    EXPECT_EQ(Destination(), QStringLiteral("/data/quotes/"));
    EXPECT_EQ(form.BMpath, QStringLiteral("/b"));

    m_platform.folderAnswer = QStringLiteral("/");
    form.cmdPickFolder_Click();
    EXPECT_EQ(Destination(), QStringLiteral("/"));

    // Stored in the settings file, a line break would add keys or sections of its own.
    m_platform.folderAnswer = QStringLiteral("/x\n[Endpoints]\nYahoo=http://elsewhere");
    form.cmdPickFolder_Click();
    EXPECT_EQ(m_platform.messages,
              QStringList{QStringLiteral("Folder names with line breaks cannot be used: ") +
                          m_platform.folderAnswer + u'/'});
    EXPECT_EQ(Destination(), QStringLiteral("/"));
    EXPECT_EQ(form.QLTpath, QStringLiteral("/"));
}

TEST_F(Form1Test, DownloadChecksReportTheFirstProblem)
{
    const QString tail =
        QStringLiteral(". Please enter start year as a 4-digit number in 1900-2026 range (e.g., 2000).");
    struct Case
    {
        const char *startYear;
        QString message;
        bool focusInYear;
    };
    // The wording of each message is checked with the rules; here, what the window does with it.
    const Case cases[] = {
        {"abc", QStringLiteral("Start year is not numeric: abc") + tail, true},
        {"1899", QStringLiteral("Start year is not valid: 1899") + tail, true},
        {"1899.5", QStringLiteral("Destination folder is not valid."), false},
    };
    // Tiingo with no token: the token is asked for only once the checks before it pass.
    ASSERT_TRUE(WriteFile(ProgramFile("Quorbex.ini"), "[Settings]\r\nBMpath=\r\nQuoteSource=4\r\n"));
    Form1 &form = Open();
    form.show();
    for (int button = 0; button < 2; ++button) {
        m_platform.messages.clear();
        Button("cmdStartDownload", button)->click();
        EXPECT_EQ(m_platform.messages, QStringList{QStringLiteral("Add a symbol to download.")});
    }
    AddRows({QStringLiteral("IBM")});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.startYear);
        m_platform.messages.clear();
        Child<QPushButton>("cmdClose")->setFocus();
        Child<QLineEdit>("txtStartYear")->setText(QLatin1StringView(c.startYear));
        Button("cmdStartDownload", 0)->click();
        EXPECT_EQ(m_platform.messages, QStringList{c.message});
        EXPECT_EQ(form.focusWidget() == Child<QLineEdit>("txtStartYear"), c.focusInYear);
        EXPECT_EQ(Cells(0),
                  (QStringList{QString(), QStringLiteral(" "), QStringLiteral(" "), QStringLiteral(" ")}));
        EXPECT_FALSE(form.BatchRunning());
    }
    EXPECT_TRUE(m_platform.prompts.isEmpty());
}

// What each command does to the list is the commands' own test; here, the questions and the wiring.
TEST_F(Form1Test, SymbolCommandsAskAndEditTheList)
{
    ASSERT_TRUE(WriteFile(ProgramFile("Symbols.txt"), {}));
    Form1 &form = Open();
    SymbolListModel &symbols = form.Symbols();
    m_platform.answers = {u"msft"_s, u"ibm"_s};
    Button("cmdSymbols", 0)->click();
    ASSERT_EQ(symbols.Count(), 1);
    Child<QAbstractItemView>("lstvSymbols")->setCurrentIndex(symbols.index(0, 0));
    Button("cmdSymbols", 2)->click();
    EXPECT_EQ(m_platform.prompts, (QStringList{u"Enter symbol:"_s, u"Edit symbol:"_s}));
    EXPECT_EQ(m_platform.initials.last(), u"MSFT"_s);
    EXPECT_EQ(symbols.Row(0).Symbol, u"IBM"_s);
    Button("cmdSymbols", 1)->click();
    Button("cmdSymbols", 1)->click(); // nothing left to remove
    EXPECT_EQ(symbols.Count(), 0);
}

// Both faces write the same bytes (the command-line tests compare them); here, every source and
// format through the window and the cells it fills.
TEST_F(Form1Test, DownloadAllWritesEveryFormatFromEverySource)
{
    const QString formats[] = {QStringLiteral(".bin"), QStringLiteral(".Daily.kyv")};
    const qsizetype headers[] = {66, 314};
    for (int source = 0; source < 3; ++source) {
        const int format = source % 2;
        SCOPED_TRACE(source);
        WriteSettings("QuoteSource=" + QByteArray::number(source) +
                      "\r\nFileFormat=" + QByteArray::number(format) + "\r\nStartYear=2023\r\n");
        Open();
        AddRows({QStringLiteral("IBM")});
        Button("cmdStartDownload", 0)->click();
        EXPECT_TRUE(m_platform.messages.isEmpty());
        EXPECT_TRUE(Button("cmdStartDownload", 0)->isEnabled());
        EXPECT_TRUE(Destination().endsWith(u'/'));

        const QStringList ibm = Cells(0);
        ASSERT_EQ(ibm.size(), 5);
        EXPECT_EQ(ibm[0], QStringLiteral("Success"));
        EXPECT_EQ(ibm[4], QStringLiteral("IBM") + formats[format]);
        const int bars = QLocale().toInt(ibm[1]);
        EXPECT_GT(bars, 300);
        EXPECT_EQ(ReadFile(m_output.filePath(ibm[4])).size(), headers[format] + 28 * bars);
        EXPECT_EQ(ibm[2], QLocale().toString(QDate(2023, 1, 2), QLocale::ShortFormat));
        EXPECT_EQ(ibm[3], QLocale().toString(QDate(2024, 6, 28), QLocale::ShortFormat));
    }
}

// The token services over TLS, each into one format, byte for byte; the Token button, the question
// for a missing Tiingo token, and the tokens kept at shut-down.
TEST_F(Form1Test, TokenSourcesDownloadOverTlsAndKeepTheirTokens)
{
    const QString tls = QStringLiteral(QUORBEX_TLS_DIR);
    QuoteServiceProcess service({u"--end-date"_s, u"2024-01-10"_s, u"--token"_s, u"sekrit"_s, u"--tls-cert"_s,
                                 tls + u"/server.pem"_s, u"--tls-key"_s, tls + u"/server.key"_s});
    const QByteArray base = service.BaseUrl().toLatin1();
    ASSERT_TRUE(base.startsWith("https://"));
    HttpTransfer::SetExtraCaCertificates(QSslCertificate::fromPath(tls + u"/ca.pem"_s));
    HttpTransfer transfer;
    const QByteArray replies[] = {
        transfer
            .Fetch(QUrl::fromEncoded(base + "/tiingo/daily/MSFT/prices?startDate=2024-01-01&format=csv"),
                   {{"Authorization", "Token sekrit"}})
            .body,
        transfer
            .Fetch(
                QUrl::fromEncoded(base + "/api/eod/MSFT.US?api_token=sekrit&fmt=csv&order=a&from=2024-01-01"))
            .body};
    ASSERT_EQ(replies[1].count('\n'), 8); // a header and 2 to 10 January 2024 but the weekend

    const QByteArray folder = m_output.path().toLocal8Bit();
    ASSERT_TRUE(WriteFile(ProgramFile("Quorbex.ini"),
                          "[Settings]\r\nQuoteSource=3\r\nStartYear=2024\r\nBMpath=" + folder +
                              "\r\nQLTpath=" + folder + "\r\n[Endpoints]\r\nEODHD=" + base +
                              "\r\nTiingo=" + base + "\r\n[Tokens]\r\nEODHD=sekrit\r\n"));
    Form1 &form = Open();
    auto *sources = Child<QComboBox>("cmbQuoteSource");
    auto *token = Child<QPushButton>("cmdToken");
    ASSERT_EQ(sources->count(), 6);
    EXPECT_EQ(sources->itemText(5), u"Twelve Data (API key)"_s);
    EXPECT_EQ(sources->itemText(3), u"EODHD (API token)"_s);
    EXPECT_EQ(sources->itemText(4), u"Tiingo (API token)"_s);
    EXPECT_TRUE(token->isEnabled());
    AddRows({u"MSFT.US"_s});
    Button("cmdStartDownload", 0)->click();
    const QByteArray binHeader =
        QByteArray::fromHex("7a008bfcfa21094008000000060000000800040044617465080004004f70656e"
                            "0800040048696768080003004c6f7708000500436c6f7365080006"
                            "00566f6c756d65");
    EXPECT_EQ(ReadFile(m_output.filePath(u"MSFT.US.bin"_s)).toHex(' '),
              (binHeader + ExpectedRecords(replies[1], true)).toHex(' '))
        << Tooltip(0).toStdString();

    // Tiingo with no token asks for one; an empty answer ends the command before any row is touched.
    sources->setCurrentIndex(4);
    Child<QComboBox>("cmbFileFormat")->setCurrentIndex(1);
    form.Symbols().SetSymbol(0, u"MSFT"_s);
    m_platform.answers = {QString(), u" sekrit\n"_s};
    Button("cmdStartDownload", 0)->click();
    EXPECT_EQ(m_platform.messages,
              QStringList{u"A Tiingo API token is needed: press Token... to enter yours."_s});
    EXPECT_EQ(Cells(0).value(0), u"Success"_s);
    Button("cmdStartDownload", 0)->click();
    EXPECT_EQ(m_platform.prompts, QStringList(2, u"Tiingo API token:"_s));
    EXPECT_EQ(m_platform.initials, QStringList(2, QString()));
    QByteArray kyvHeader = "KYV FORMAT" + QByteArray::fromHex("00004040") +
                           QByteArray("MSFT").leftJustified(10) + QByteArray("MSFT").leftJustified(40) +
                           QByteArray::fromHex("0600");
    for (const char *name : {"Date", "Open", "High", "Low", "Close", "Volume"})
        kyvHeader += QByteArray(name).leftJustified(40);
    AppendLittleEndian(kyvHeader, 45292.0); // 1 January 2024
    EXPECT_EQ(ReadFile(m_output.filePath(u"MSFT.Daily.kyv"_s)).toHex(' '),
              (kyvHeader + ExpectedRecords(replies[0], false)).toHex(' '))
        << Tooltip(0).toStdString();

    sources->setCurrentIndex(0);
    EXPECT_FALSE(token->isEnabled());
    sources->setCurrentIndex(3);
    m_platform.answers = {QString(), u"fresh"_s}; // Cancel keeps the token
    token->click();
    token->click();
    EXPECT_EQ(m_platform.prompts.mid(2), QStringList(2, u"EODHD API token:"_s));
    EXPECT_EQ(m_platform.initials.mid(2), QStringList(2, u"sekrit"_s));
    form.close();
    const QList<ServiceSettings> saved = INIfileRead(ProgramFile("Quorbex.ini")).services;
    EXPECT_EQ(QStringList({saved[3].token, saved[4].token}), QStringList({u"fresh"_s, u"sekrit"_s}));
    HttpTransfer::SetExtraCaCertificates({});
}

TEST_F(Form1Test, DownloadCheckedLeavesOtherRowsAlone)
{
    WriteSettings("StartYear=2024\r\n");
    Form1 &form = Open();
    AddRows({QStringLiteral("AAA"), QStringLiteral("BBB"), QStringLiteral("NOSUCH")});
    form.Symbols().SetCell(1, CellStatus, QStringLiteral("earlier"));
    Button("cmdStartDownload", 1)->click(); // nothing checked: nothing happens
    EXPECT_EQ(Cells(0).value(0), QString());
    EXPECT_EQ(Cells(1).value(0), QStringLiteral("earlier"));
    EXPECT_TRUE(m_platform.messages.isEmpty());

    form.Symbols().SetChecked(0, true);
    form.Symbols().SetChecked(2, true);
    AddRows(QStringList(40, QStringLiteral("DDD")));
    form.Symbols().SetChecked(42, true); // far below the rows in view
    form.show();
    Button("cmdStartDownload", 1)->click();
    auto *list = Child<QAbstractItemView>("lstvSymbols");
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualRect(form.Symbols().index(42, 0)))); // followed
    EXPECT_EQ(Cells(0).value(0), QStringLiteral("Success"));
    EXPECT_EQ(Cells(1).value(0), QStringLiteral("earlier"));
    EXPECT_EQ(Cells(2).value(0), QStringLiteral("Request failed (check symbol)"));
    EXPECT_EQ(Tooltip(2), QStringLiteral("HTTP 404 Not Found"));
    EXPECT_EQ(Tooltip(0), QString());
    EXPECT_TRUE(QFile::exists(m_output.filePath(QStringLiteral("AAA.bin"))));
    EXPECT_FALSE(QFile::exists(m_output.filePath(QStringLiteral("BBB.bin"))));
}

TEST_F(Form1Test, NoDataAndARefusedConnectionKeepTheOldFile)
{
    CannedHttpServer server; // every reply's only line has a date that cannot be built
    server.body = "date\nnot a date,1,2,3,4\n";
    ASSERT_TRUE(server.isListening());
    ASSERT_TRUE(
        WriteFile(ProgramFile("Quorbex.ini"),
                  "[Settings]\r\nQuoteSource=1\r\nStartYear=2024\r\nBMpath=" + m_output.path().toLocal8Bit() +
                      "\r\n[Endpoints]\r\nQuoteMedia=" + server.BaseUrl().toLatin1() + "\r\n"));
    const QString old = m_output.filePath(QStringLiteral("IBM.bin"));
    ASSERT_TRUE(WriteFile(old, "old"));
    Open();
    AddRows({QStringLiteral("IBM")});
    Button("cmdStartDownload", 0)->click();
    EXPECT_EQ(Cells(0), (QStringList{QStringLiteral("No data"), QStringLiteral("0"), QString(), QString()}));
    EXPECT_EQ(Tooltip(0), QStringLiteral("no price lines"));
    server.close();
    Button("cmdStartDownload", 0)->click();
    EXPECT_EQ(Cells(0).value(0), QStringLiteral("Request failed (check symbol)"));
    EXPECT_EQ(Tooltip(0), QStringLiteral("connection refused (4 tries)"));
    EXPECT_EQ(ReadFile(old), QByteArray("old"));
}

TEST_F(Form1Test, DestinationIsCreatedOrItsFailureReported)
{
    WriteSettings("StartYear=2024\r\n");
    ASSERT_TRUE(WriteFile(m_output.filePath(QStringLiteral("plainfile")), "x"));
    Form1 &form = Open();
    form.BMpath = m_output.filePath(QStringLiteral("a/b/c"));
    form.cmbFileFormat_Click();
    AddRows({QStringLiteral("IBM")});
    Button("cmdStartDownload", 0)->click();
    EXPECT_EQ(Destination(), m_output.filePath(QStringLiteral("a/b/c/")));
    EXPECT_TRUE(QFile::exists(m_output.filePath(QStringLiteral("a/b/c/IBM.bin"))));

    form.BMpath = m_output.filePath(QStringLiteral("plainfile/sub"));
    form.cmbFileFormat_Click();
    Button("cmdStartDownload", 0)->click();
    EXPECT_EQ(m_platform.messages, QStringList{QStringLiteral("Destination folder could not be created: ") +
                                               m_output.filePath(QStringLiteral("plainfile/sub/"))});
    EXPECT_EQ(Cells(0).value(0), QStringLiteral("Success")); // no row touched
    EXPECT_TRUE(Button("cmdStartDownload", 1)->isEnabled());

    // A file that cannot be replaced (a folder stands in its place) fails the row alone.
    form.BMpath = m_output.path();
    form.cmbFileFormat_Click();
    QDir(m_output.path()).mkdir(QStringLiteral("IBM.bin"));
    AddRows({QStringLiteral("MSFT")});
    Button("cmdStartDownload", 0)->click();
    EXPECT_EQ(Cells(0), (QStringList{QStringLiteral("Write failed (check folder)"), QString(), QString(),
                                     QString(), QString()}));
    EXPECT_EQ(Cells(1).value(0), QStringLiteral("Success"));
}

TEST_F(Form1Test, RowsRemovedDuringABatchAreSkipped)
{
    WriteSettings("StartYear=2024\r\n[Download]\r\nRetries=0\r\n");
    Form1 &form = Open();
    AddRows({QStringLiteral("HANG"), QStringLiteral("AAA"), QStringLiteral("BBB"), QStringLiteral("CCC")});
    QTimer::singleShot(200, &form, [this, &form] {
        Child<QComboBox>("cmbFileFormat")->setCurrentIndex(1); // applies from the next file on
        form.Symbols().RemoveRow(2);                           // BBB, not reached yet
        form.Symbols().AddRow(QStringLiteral("DDD"));          // added after the walk began
        form.Symbols().SetSymbol(1, QStringLiteral("EEE"));
    });
    Button("cmdStartDownload", 0)->click();
    ASSERT_EQ(form.Symbols().Count(), 4);
    EXPECT_EQ(Cells(0).value(0), QStringLiteral("Request failed (check symbol)"));
    EXPECT_EQ(Tooltip(0), QStringLiteral("timed out after 1.5 s"));
    EXPECT_EQ(Cells(1).value(4), QStringLiteral("EEE.Daily.kyv"));
    EXPECT_EQ(Cells(2).value(0), QStringLiteral("Success")); // CCC
    EXPECT_EQ(Cells(3).value(0), QString());                 // DDD
    EXPECT_FALSE(QFile::exists(m_output.filePath(QStringLiteral("BBB.bin"))));

    // A row removed while its own reply is awaited gets no file.
    form.Symbols().RemoveRow(0);
    const QString ccc = m_output.filePath(QStringLiteral("CCC.Daily.kyv"));
    ASSERT_TRUE(QFile::remove(ccc));
    QObject::connect(
        &form.Symbols(), &QAbstractItemModel::dataChanged, &form, [&form](const QModelIndex &at) {
            const SymbolRow &row = form.Symbols().Row(at.row());
            if (row.Symbol == u"CCC" && row.Cells.value(0) == u"Working...")
                QTimer::singleShot(0, &form, [&form, at] { form.Symbols().RemoveRow(at.row()); });
        });
    Button("cmdStartDownload", 0)->click();
    EXPECT_EQ(form.Symbols().Count(), 2);
    EXPECT_FALSE(QFile::exists(ccc));
    EXPECT_EQ(Cells(1).value(0), QStringLiteral("Success")); // DDD
}

TEST_F(Form1Test, ClosingDuringABatchStopsItAndSaves)
{
    WriteSettings("StartYear=2024\r\n");
    Form1 &form = Open();
    form.SetRequestTimeout(std::chrono::seconds(60));
    form.show();
    AddRows({QStringLiteral("HANG"), QStringLiteral("AAA")});
    QTimer::singleShot(200, &form, [&form] { form.close(); });
    Button("cmdStartDownload", 0)->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.BatchRunning());
    EXPECT_EQ(Cells(0).value(0), QString());
    EXPECT_EQ(Cells(1).value(0), QString());
    EXPECT_EQ(ReadFile(ProgramFile("Symbols.txt")), QByteArray("HANG\r\nAAA\r\n"));
    EXPECT_TRUE(ReadFile(ProgramFile("Quorbex.ini")).contains("StartYear=2024"));
}

// Stop during a run with two jobs: the rows reported keep their files, the rest are emptied, and the
// window is as after a finished run; the update box is kept in the settings file.
TEST_F(Form1Test, StopEndsARunAndTheWindowShowsItsProgress)
{
    WriteSettings("StartYear=2024\r\n[Download]\r\nJobs=2\r\n");
    Form1 &form = Open();
    form.SetRequestTimeout(std::chrono::seconds(60));
    form.show();
    AddRows({QStringLiteral("AAA"), QStringLiteral("HANG"), QStringLiteral("BBB"), QStringLiteral("CCC")});
    auto *progress = Child<QProgressBar>("prgRun");
    auto *stop = Child<QPushButton>("cmdStop");
    EXPECT_FALSE(stop->isEnabled());
    QString during;
    QTimer::singleShot(500, &form, [&] {
        during = progress->text();
        EXPECT_TRUE(stop->isEnabled());
        stop->click();
    });
    Button("cmdStartDownload", 0)->click();
    EXPECT_TRUE(during.startsWith(u"1 of 4 rows, about ")) << during.toStdString();
    EXPECT_EQ(Cells(0).value(0), QStringLiteral("Success"));
    for (int row = 1; row < 4; ++row)
        EXPECT_EQ(Cells(row).value(0), QString()) << row;
    EXPECT_FALSE(QFile::exists(m_output.filePath(QStringLiteral("BBB.bin"))));
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_TRUE(Button("cmdStartDownload", 0)->isEnabled());
    EXPECT_EQ(progress->value(), 0);
    EXPECT_FALSE(progress->isTextVisible());

    Child<QCheckBox>("chkUpdateExisting")->setChecked(true);
    form.close();
    EXPECT_TRUE(
        ReadFile(ProgramFile("Quorbex.ini")).contains("[Download]\r\nJobs=2\r\nUpdateExisting=1\r\n"));
}

// What is kept of the rest of the file is the settings file's own test.
TEST_F(Form1Test, ShutDownSavesListAndSettings)
{
    ASSERT_TRUE(WriteFile(ProgramFile("Quorbex.ini"), "[Settings]\r\nQuoteSource=7\r\n"));
    ASSERT_TRUE(WriteFile(ProgramFile("Symbols.txt"), "  msft  \r\n\r\n   \r\nIBM"));
    Form1 &form = Open();
    ASSERT_EQ(form.Symbols().Count(), 2);
    Child<QLineEdit>("txtStartYear")->setText(QStringLiteral(" 1999 "));
    Child<QComboBox>("cmbFileFormat")->setCurrentIndex(1);
    form.show();
    Child<QPushButton>("cmdClose")->click();

    EXPECT_EQ(ReadFile(ProgramFile("Symbols.txt")), QByteArray("msft\r\nIBM\r\n"));
    const AppSettings saved = INIfileRead(ProgramFile("Quorbex.ini"));
    EXPECT_EQ(saved.StartYear, QStringLiteral("1999"));
    EXPECT_EQ(saved.FileFormat, 1);
    EXPECT_EQ(saved.QuoteSource, 0);
    EXPECT_EQ(saved.DestinationFolder, DefaultQLTpath());
}

#ifdef Q_OS_UNIX
// Guards against start-up blocking on a FIFO, against a list file that was not read being
// saved over, and against a failed save on close passing without a word.
TEST_F(Form1Test, ShutDownKeepsFilesItCouldNotReadAndReportsEveryFailedSave)
{
    const QString ini = ProgramFile("Quorbex.ini"), list = ProgramFile("Symbols.txt");
    ASSERT_EQ(mkfifo(QFile::encodeName(ini).constData(), 0600), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(list).constData(), 0600), 0);
    Open();
    AddRows({QStringLiteral("IBM")});
    m_form->close();
    EXPECT_EQ(m_platform.messages,
              (QStringList{u"Could not save "_s + list +
                               u": it could not be read at start-up (not a regular file)"_s,
                           u"Could not save "_s + ini + u": not a regular file"_s}));
    EXPECT_TRUE(QFileInfo(ini).exists() && !QFileInfo(ini).isFile());
    EXPECT_TRUE(QFileInfo(list).exists() && !QFileInfo(list).isFile());

    // A full disk leaves both old files whole.
    ASSERT_TRUE(QFile::remove(ini) && QFile::remove(list));
    ASSERT_TRUE(WriteFile(ini, "[Settings]\r\nStartYear=1990\r\n") && WriteFile(list, "MSFT\r\n"));
    m_platform.messages.clear();
    Open();
    AddRows({QStringLiteral("IBM")});
    {
        const FileSizeLimit limit(2);
        ASSERT_TRUE(limit.Active());
        m_form->close();
    }
    EXPECT_EQ(m_platform.messages, (QStringList{u"Could not save "_s + list + u": File too large"_s,
                                                u"Could not save "_s + ini + u": File too large"_s}));
    EXPECT_EQ(ReadFile(list), QByteArray("MSFT\r\n"));
    EXPECT_EQ(ReadFile(ini), QByteArray("[Settings]\r\nStartYear=1990\r\n"));
}
#endif

TEST_F(Form1Test, HelpOpensTheFileOrSaysWhereItLooked)
{
    Form1 &form = Open();
    const QString help = ProgramFile("Quorbex.chm");
    form.cmdHelp_Click();
    EXPECT_EQ(m_platform.messages, QStringList{QStringLiteral("Help file not found: ") + help});
    EXPECT_TRUE(m_platform.helpOpened.isEmpty());

    QDir().mkdir(help); // a folder of that name does not count
    form.cmdHelp_Click();
    EXPECT_EQ(m_platform.messages.size(), 2);
    QDir().rmdir(help);

    ASSERT_TRUE(WriteFile(help, "ITSF"));
    form.cmdHelp_Click();
    EXPECT_EQ(m_platform.helpOpened, QStringList{help});
    EXPECT_EQ(m_platform.messages.size(), 2);

    m_platform.helpMissing = QStringLiteral("install a viewer");
    form.cmdHelp_Click();
    EXPECT_EQ(m_platform.messages.last(), m_platform.helpMissing);
}

TEST_F(Form1Test, SettingsFolderOfItsOwnIsMadeOnTheFirstSave)
{
    const QString folder = m_programFolder.filePath(QStringLiteral("config/Quorbex"));
    m_form = std::make_unique<Form1>(m_platform, AppPaths{folder, ProgramFile("Quorbex.chm")});
    m_form->Symbols().AddRow(QStringLiteral("IBM"));
    EXPECT_FALSE(QDir(folder).exists());
    m_form->close();
    EXPECT_TRUE(ReadFile(folder + QStringLiteral("/Symbols.txt")).endsWith("EURUSD.FOREX\r\nIBM\r\n"));
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/Quorbex.ini")));
}

TEST(GetDirectoryName, KeepsEverythingUpToTheLastSeparator)
{
    EXPECT_EQ(GetDirectoryName(QStringLiteral("/data/quotes/dummy")), QStringLiteral("/data/quotes/"));
    EXPECT_EQ(GetDirectoryName(QStringLiteral("/dummy")), QStringLiteral("/"));
    EXPECT_EQ(GetDirectoryName(QStringLiteral("dummy")), QString());
    EXPECT_EQ(GetDirectoryName(QString()), QString());
}

} // namespace

namespace {

TEST_F(Form1Test, PricesAndEndDateFollowTheServiceAndReachTheRun)
{
    const QByteArray base = QuoteServiceUrl().toLatin1();
    ASSERT_TRUE(WriteFile(ProgramFile("Quorbex.ini"),
                          "[Settings]\r\nStartYear=2024\r\nBMpath=" + m_output.path().toLocal8Bit() +
                              "\r\n[Endpoints]\r\nEODHD=" + base + "\r\n"));
    Form1 &form = Open();
    auto *prices = Child<QComboBox>("cmbPrices");
    auto *endDate = Child<QLineEdit>("txtEndDate");
    auto *update = Child<QCheckBox>("chkUpdateExisting");
    EXPECT_FALSE(prices->isEnabled());
    EXPECT_EQ(prices->toolTip(), u"Yahoo! Finance gives prices adjusted for splits and dividends only"_s);
    Child<QComboBox>("cmbQuoteSource")->setCurrentIndex(3);
    EXPECT_TRUE(prices->isEnabled());

    prices->setCurrentIndex(1);
    endDate->setText(u"2023-12-29"_s); // before the start year
    EXPECT_FALSE(update->isEnabled());
    AddRows({u"IBM.US"_s});
    Button("cmdStartDownload", 0)->click();
    EXPECT_EQ(m_platform.messages,
              QStringList{u"End date must be a day as YYYY-MM-DD, from the start year to today."_s});
    endDate->setText(u"2024-03-15"_s);
    Button("cmdStartDownload", 0)->click();
    EXPECT_EQ(Cells(0).value(0), u"Success"_s) << Tooltip(0).toStdString();
    EXPECT_EQ(Cells(0).value(3), QLocale().toString(QDate(2024, 3, 15), QLocale::ShortFormat));

    form.close();
    const QByteArray saved = ReadFile(ProgramFile("Quorbex.ini"));
    EXPECT_TRUE(saved.contains("[Download]\r\nPrices=raw\r\nEndDate=2024-03-15\r\n")) << saved.data();
}

} // namespace
