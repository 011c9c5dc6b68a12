#include "Form1.h"
#include "AppSettings.h"
#include "BarFileWriter.h"
#include "CannedHttpServer.h"
#include "DateValue.h"
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
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
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
    static const QuoteServiceProcess service(
        {QStringLiteral("--hang"), QStringLiteral("HANG"), QStringLiteral("--unknown"),
         QStringLiteral("NOSUCH"), QStringLiteral("--end-date"), QStringLiteral("2024-06-28"),
         QStringLiteral("--universe"), QStringLiteral("AAA,BBB,CCC,DDD")});
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

    // The list's own command of that caption, as its context menu and its shortcut run it.
    void ListCommand(const QString &caption) const
    {
        for (QAction *action : Child<QWidget>("lstvSymbols")->actions()) {
            if (action->text() == caption)
                return action->trigger();
        }
        ADD_FAILURE() << "no list command " << caption.toStdString();
    }
    QStringList Symbols() const
    {
        QStringList symbols;
        for (int row = 0; row < m_form->Symbols().Count(); ++row)
            symbols.append(m_form->Symbols().Row(row).Symbol);
        return symbols;
    }
    QString Summary() const
    {
        auto *label = Child<QLabel>("lblRunSummary");
        return label->isVisibleTo(m_form.get()) ? label->text() : QString();
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

// Before any download the Details say what is on disk in the selected format's folder; a row's
// download replaces that with its cause.
TEST_F(Form1Test, DetailsShowTheFilesOnDiskUntilARowIsDownloaded)
{
    const auto series = [](double lastDate, int bars) {
        BarSeries days;
        days.Prepare(bars);
        for (int bar = 1; bar <= bars; ++bar)
            days.SetBarDate(bar, lastDate - bars + bar);
        return BinFileBytes(days);
    };
    const double k6Dec2026 = 46362.0;
    ASSERT_TRUE(WriteFile(m_output.filePath(u"CUR.bin"_s), series(k6Dec2026, 6988)));
    ASSERT_TRUE(WriteFile(m_output.filePath(u"OLD.bin"_s), series(k6Dec2026 - 4, 10)));
    ASSERT_TRUE(WriteFile(m_output.filePath(u"BAD.bin"_s), "KYV"));
    ASSERT_TRUE(WriteFile(ProgramFile("Symbols.txt"), "CUR\r\nX:OLD\r\nNONE\r\nBAD\r\nNOSUCH\r\n"));
    WriteSettings("StartYear=2024\r\n");
    Form1 &form = Open();
    const auto details = [&form] {
        QStringList texts;
        for (int row = 0; row < form.Symbols().Count(); ++row)
            texts.append(form.Symbols().index(row, SymbolListModel::kDetailsColumn).data().toString());
        return texts;
    };
    EXPECT_EQ(details(),
              (QStringList{u"on disk: 6,988 bars, 20 Oct 2007 - 6 Dec 2026"_s, u"on disk, 4 days behind"_s,
                           u"no file"_s, u"unreadable file: not a .bin file (signature)"_s, u"no file"_s}));
    Child<QComboBox>("cmbFileFormat")->setCurrentIndex(1);
    EXPECT_EQ(details(), QStringList(5, u"no file"_s));
    Child<QComboBox>("cmbFileFormat")->setCurrentIndex(0);

    form.Symbols().SetChecked(4, true);
    Button("cmdStartDownload", 1)->click();
    EXPECT_EQ(details().at(4), u"HTTP 404 Not Found"_s);
    EXPECT_EQ(details().at(1), u"on disk, 4 days behind"_s);

    // A click on a header sorts by that column, ascending then descending; bars by their numbers,
    // from the files before a download. The list file follows the order shown.
    form.show();
    auto *header = Child<QTreeView>("lstvSymbols")->header();
    const auto click = [header](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
    };
    click(0);
    EXPECT_EQ(Symbols(), (QStringList{u"BAD"_s, u"CUR"_s, u"NONE"_s, u"NOSUCH"_s, u"X:OLD"_s}));
    click(0);
    EXPECT_EQ(Symbols(), (QStringList{u"X:OLD"_s, u"NOSUCH"_s, u"NONE"_s, u"CUR"_s, u"BAD"_s}));
    click(CellBars);
    EXPECT_EQ(Symbols(), (QStringList{u"NOSUCH"_s, u"NONE"_s, u"BAD"_s, u"X:OLD"_s, u"CUR"_s}));
    QCoreApplication::processEvents();
    EXPECT_EQ(ReadFile(ProgramFile("Symbols.txt")), QByteArray("NOSUCH\r\nNONE\r\nBAD\r\nX:OLD\r\nCUR\r\n"));
}

// Add, paste and import take several symbols, skip those listed and say so; Remove takes every
// selected row, asking first; the list file follows every change without a Close.
TEST_F(Form1Test, TheListIsEditedInBulkAndSavedAsItChanges)
{
    ASSERT_TRUE(WriteFile(ProgramFile("Symbols.txt"), {}));
    Form1 &form = Open();
    form.show();
    m_platform.answers = {u"d, a\nb  c"_s};
    Button("cmdSymbols", 0)->click();
    EXPECT_EQ(Symbols(), (QStringList{u"D"_s, u"A"_s, u"B"_s, u"C"_s}));

    Child<QAbstractItemView>("lstvSymbols")->setCurrentIndex(form.Symbols().index(0, 0));
    m_platform.answers = {u"d"_s};
    ListCommand(u"Edit..."_s);
    EXPECT_EQ(m_platform.prompts, (QStringList{u"Enter symbol:"_s, u"Edit symbol:"_s}));
    EXPECT_EQ(m_platform.initials.last(), u"D"_s);

    QGuiApplication::clipboard()->setText(u"e\n\n  b, E\r\nf"_s);
    ListCommand(u"Paste symbols"_s);
    EXPECT_EQ(Summary(), u"Already listed, not added: B, E"_s);
    const QString csv = ProgramFile("list.csv");
    ASSERT_TRUE(WriteFile(csv, "Ticker,Name\r\ng,Gee\r\n\r\nA,again\r\n"));
    m_platform.fileAnswer = csv;
    ListCommand(u"Import..."_s);
    EXPECT_EQ(Symbols(), (QStringList{u"D"_s, u"A"_s, u"B"_s, u"C"_s, u"E"_s, u"F"_s, u"G"_s}));
    EXPECT_EQ(Summary(), u"Already listed, not added: A"_s);
    m_platform.fileAnswer = ProgramFile("none.csv");
    ListCommand(u"Import..."_s);
    EXPECT_EQ(m_platform.messages,
              QStringList{u"Could not read "_s + m_platform.fileAnswer + u": file not found"_s});

    auto *list = Child<QAbstractItemView>("lstvSymbols");
    list->selectionModel()->select(QItemSelection(form.Symbols().index(1, 0), form.Symbols().index(3, 0)),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QApplication::setActiveWindow(&form);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier); // the list's keys, not the view's own
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"A\nB\nC\n"_s);
    m_platform.confirm = false;
    Button("cmdSymbols", 1)->click();
    EXPECT_EQ(m_platform.questions, QStringList{u"Remove the 3 selected symbols?"_s});
    EXPECT_EQ(form.Symbols().Count(), 7);
    m_platform.confirm = true;
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(Symbols(), (QStringList{u"D"_s, u"E"_s, u"F"_s, u"G"_s}));
    list->setCurrentIndex(form.Symbols().index(0, 0));
    Button("cmdSymbols", 1)->click(); // one row goes without a question
    EXPECT_EQ(m_platform.questions.size(), 2);

    QCoreApplication::processEvents();
    EXPECT_EQ(ReadFile(ProgramFile("Symbols.txt")), QByteArray("E\r\nF\r\nG\r\n"));
}

// Enlarged, the list grows and the controls under it follow the bottom edge; the first size is the
// smallest, and a size the user chose comes back at the next start.
TEST_F(Form1Test, ResizingGrowsTheListAndTheSizeIsRemembered)
{
    Open().show();
    const QSize first = m_form->size();
    m_form->close();
    EXPECT_FALSE(ReadFile(ProgramFile("Quorbex.ini")).contains("[Window]"));

    Form1 &form = Open();
    form.show();
    auto *list = Child<QWidget>("lstvSymbols");
    const auto controls = form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QList<QRect> places;
    for (const QWidget *control : controls)
        places.append(control->geometry());
    form.resize(first + QSize(150, 90));
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const QString name = controls.at(i)->objectName();
        SCOPED_TRACE(name.toStdString());
        QRect expected = places.at(i).translated(0, places.at(i).top() > list->y() ? 90 : 0);
        if (controls.at(i) == list)
            expected = places.at(i).adjusted(0, 0, 150, 90);
        else if (name == u"prgRun"_s || name == u"lblRunSummary"_s)
            expected.adjust(0, 0, 150, 0);
        else if (name == u"cmdStop"_s || name == u"cmdSchedule"_s)
            expected.translate(150, 0);
        EXPECT_EQ(controls.at(i)->geometry(), expected);
    }
    form.resize(100, 100);
    EXPECT_EQ(form.size(), first);
    form.resize(first + QSize(40, 20));
    form.close();
    EXPECT_EQ(Open().size(), first + QSize(40, 20));
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

// Enter (or a double-click) on a row and "Chart" in the list's menu chart the row's file, or say why they
// cannot; "Check library" checks every row's file without downloading, into the Details.
TEST_F(Form1Test, RowsChartAndCheckTheirFiles)
{
    WriteSettings("StartYear=2023\r\n");
    Open();
    AddRows({QStringLiteral("IBM")});
    Button("cmdStartDownload", 0)->click();
    BarSeries bad;
    bad.Prepare(2);
    bad.dates = {*DateValue::CalendarDate(2024, 7, 1), *DateValue::CalendarDate(2024, 7, 2)};
    bad.values = {BarSeries::Values{5, 6, 4, 5, 10}, BarSeries::Values{5, 6, 4, -5, 10}};
    ASSERT_TRUE(WriteFile(m_output.filePath(u"BAD.bin"_s), BinFileBytes(bad)));
    AddRows({QStringLiteral("BAD"), QStringLiteral("NONE")});
    auto *list = Child<QAbstractItemView>("lstvSymbols");
    const auto menu = [&](const QString &caption) {
        for (QAction *action : list->actions()) {
            if (action->text() == caption)
                action->trigger();
        }
    };
    const auto charts = [] {
        QStringList titles;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible() && widget->windowTitle().endsWith(u" - Quorbex"))
                titles.append(widget->windowTitle());
        }
        return titles;
    };
    list->setCurrentIndex(m_form->Symbols().index(0, 0));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(list, &enter);
    list->setCurrentIndex(m_form->Symbols().index(1, 0));
    menu(u"Chart"_s);
    EXPECT_EQ(charts().size(), 2);
    EXPECT_TRUE(charts().contains(u"BAD.bin - Quorbex"_s));
    list->setCurrentIndex(m_form->Symbols().index(2, 0));
    QApplication::sendEvent(list, &enter);
    EXPECT_EQ(m_platform.messages,
              QStringList{u"Cannot chart %1: file not found"_s.arg(m_output.filePath(u"NONE.bin"_s))});

    menu(u"Check library"_s);
    QStringList details;
    for (int row = 0; row < 3; ++row)
        details.append(m_form->Symbols().index(row, SymbolListModel::kDetailsColumn).data().toString());
    EXPECT_EQ(details, (QStringList{u"no findings"_s, u"1 warning: price on 2024-07-02"_s, u"no file"_s}));
    m_form.reset(); // its charts go with it
    EXPECT_TRUE(charts().isEmpty());
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

// Download Checked leaves the other rows alone, and retries exactly the failed ones once ticked.
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
    // Followed; the Details filled afterwards may bring a horizontal scroll bar over its lower edge.
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualRect(form.Symbols().index(42, 0)).topLeft()));
    EXPECT_EQ(Cells(0).value(0), QStringLiteral("Success"));
    EXPECT_EQ(Cells(1).value(0), QStringLiteral("earlier"));
    EXPECT_EQ(Cells(2).value(0), QStringLiteral("Request failed (check symbol)"));
    EXPECT_EQ(Tooltip(2), QStringLiteral("HTTP 404 Not Found"));
    EXPECT_EQ(Tooltip(0), QString());
    EXPECT_TRUE(QFile::exists(m_output.filePath(QStringLiteral("AAA.bin"))));
    EXPECT_FALSE(QFile::exists(m_output.filePath(QStringLiteral("BBB.bin"))));
    EXPECT_EQ(Summary(), u"2 succeeded, 1 failed, 0 not tried in 0 s"_s); // where the progress bar stood
    EXPECT_FALSE(Child<QProgressBar>("prgRun")->isVisibleTo(&form));

    // "Tick failed rows" then "Download Checked" asks for exactly the failed rows again.
    ListCommand(u"Tick all"_s);
    ListCommand(u"Tick failed rows"_s);
    ASSERT_TRUE(QFile::remove(m_output.filePath(u"AAA.bin"_s)));
    Button("cmdStartDownload", 1)->click();
    EXPECT_FALSE(QFile::exists(m_output.filePath(u"AAA.bin"_s)));
    EXPECT_EQ(Summary(), u"0 succeeded, 1 failed, 0 not tried in 0 s"_s);
    form.Symbols().AddRow(u"CCC"_s); // a change of the list brings the progress bar back
    EXPECT_TRUE(Child<QProgressBar>("prgRun")->isVisibleTo(&form));
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
    EXPECT_EQ(m_platform.messages,
              QStringList{QStringLiteral("Destination folder could not be created: ") +
                          m_output.filePath(QStringLiteral("plainfile/sub/")) + u" (Not a directory)"_s});
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
    m_platform.confirm = false; // not yet
    QTimer::singleShot(100, &form, [&form] { form.close(); });
    QTimer::singleShot(200, &form, [this, &form] {
        m_platform.confirm = true;
        form.close();
    });
    Button("cmdStartDownload", 0)->click();
    EXPECT_EQ(m_platform.questions,
              QStringList(2, u"A download is running. Stop it and close the window?"_s));
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
    EXPECT_EQ(Summary(), u"Stopped: 1 succeeded, 3 not tried"_s);

    Child<QCheckBox>("chkUpdateExisting")->setChecked(true);
    form.close();
    EXPECT_TRUE(
        ReadFile(ProgramFile("Quorbex.ini")).contains("[Download]\r\nJobs=2\r\nUpdateExisting=1\r\n"));
}

// A second download with the update box ticked finds the files up to date through Tiingo's market day,
// and the run's summary says what that saved.
TEST_F(Form1Test, AnUpdateSaysWhatItCostAndWhatTheMarketDayServed)
{
    const QByteArray base = QuoteServiceUrl().toLatin1();
    ASSERT_TRUE(WriteFile(ProgramFile("Quorbex.ini"),
                          "[Settings]\r\nQuoteSource=4\r\nBMpath=" + m_output.path().toLocal8Bit() +
                              "\r\n[Endpoints]\r\nTiingo=" + base + "\r\n[Tokens]\r\nTiingo=t\r\n"));
    Form1 &form = Open();
    form.show();
    AddRows({QStringLiteral("AAA"), QStringLiteral("BBB"), QStringLiteral("CCC"), QStringLiteral("DDD")});
    auto *summary = Child<QLabel>("lblRunSummary");
    Button("cmdStartDownload", 0)->click();
    EXPECT_TRUE(summary->text().startsWith(u"4 succeeded, 0 failed, 0 not tried in "_s))
        << summary->text().toStdString();
    Child<QCheckBox>("chkUpdateExisting")->setChecked(true);
    Button("cmdStartDownload", 0)->click();
    EXPECT_TRUE(summary->text().startsWith(
        u"4 succeeded (3 from the market day), 0 failed, 0 not tried, 2 requests in "_s))
        << summary->text().toStdString();
    EXPECT_EQ(Tooltip(1), u"up to date (market day)"_s);
}

// Changes are saved as they are made: a window that never gets to close loses none of them. What is
// kept of the rest of the file is the settings file's own test.
TEST_F(Form1Test, ChangesAreSavedWithoutAClose)
{
    ASSERT_TRUE(WriteFile(ProgramFile("Quorbex.ini"), "[Settings]\r\nQuoteSource=7\r\n"));
    ASSERT_TRUE(WriteFile(ProgramFile("Symbols.txt"), "  msft  \r\n\r\n   \r\nIBM"));
    Form1 &form = Open();
    ASSERT_EQ(form.Symbols().Count(), 2);
    Child<QLineEdit>("txtStartYear")->setText(QStringLiteral(" 1999 "));
    Child<QComboBox>("cmbFileFormat")->setCurrentIndex(1);
    m_platform.answers = {u"ge"_s};
    Button("cmdSymbols", 0)->click();
    QCoreApplication::processEvents();

    EXPECT_EQ(ReadFile(ProgramFile("Symbols.txt")), QByteArray("msft\r\nIBM\r\nGE\r\n"));
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
