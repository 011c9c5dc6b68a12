#include "Form1.h"

#include "AppIcon.h"
#include "BatchRules.h"
#include "DownloadBatch.h"
#include "FolderPath.h"
#include "FormControls.h"
#include "PlatformServices.h"
#include "RunChoiceControls.h"
#include "RunLog.h"
#include "ScheduleDialog.h"
#include "ServiceRegistry.h"
#include "SymbolCommands.h"
#include "SymbolListModel.h"
#include "SymbolListView.h"
#include "SymbolLookup.h"
#include "SymbolLookupDialog.h"
#include "SymbolsFile.h"
#include "TransferPool.h"
#include "WindowRows.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolTip>

Form1::Form1(PlatformServices &platform, const AppPaths &paths, QWidget *parent)
    : QWidget(parent), m_platform(platform), m_settingsFolder(paths.settingsFolder),
      m_helpFile(paths.helpFile), m_downloader(m_transfer), m_symbols(new SymbolListModel(this))
{
    CreateControls();
    Form_Load();
}

Form1::Form1(PlatformServices &platform, const QString &programFolder, QWidget *parent)
    : Form1(platform,
            AppPaths{programFolder, programFolder + FolderPath::Separator() + QStringLiteral("Quorbex.chm")},
            parent)
{}

Form1::~Form1() = default;

void Form1::CreateControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quorbex (Daily Data)"));
    setWindowIcon(AppIcon());
    QFont font(QStringLiteral("Microsoft Sans Serif"));
    font.setPointSizeF(8.25);
    setFont(font);
    QToolTip::setFont(font);                      // a tooltip is a window of its own and would not inherit it
    setFixedSize(Twips(0, 0, 7560, 8040).size()); // the client area

    Label1[0] = MakeLabel(this, "Label1", QStringLiteral("Start year:"), Twips(270, 1590, 720, 195));
    txtStartYear = MakeControl<QLineEdit>(this, "txtStartYear", Twips(1380, 1560, 735, 285));
    txtStartYear->setText(QStringLiteral("2000"));
    cmdStartDownload[0] =
        MakeButton(this, "cmdStartDownload", QStringLiteral("Download All"), Twips(2464, 7380, 1425, 405));
    Label1[2] = MakeLabel(this, "Label1", QStringLiteral("Output folder:"), Twips(270, 1140, 960, 195));
    cmdPickFolder = MakeButton(this, "cmdPickFolder", QStringLiteral("..."), Twips(6720, 1110, 465, 285));
    cmdSymbols[0] = MakeButton(this, "cmdSymbols", QStringLiteral("Add"), Twips(60, 6660, 795, 345));
    cmdSymbols[1] = MakeButton(this, "cmdSymbols", QStringLiteral("Remove"), Twips(1740, 6660, 795, 345));
    cmdClose = MakeButton(this, "cmdClose", QStringLiteral("Close"), Twips(5824, 7380, 1425, 405));

    lstvSymbols = MakeControl<SymbolListView>(this, "lstvSymbols", Twips(30, 1980, 7515, 4665));
    lstvSymbols->setModel(m_symbols);

    cmdSymbols[2] = MakeButton(this, "cmdSymbols", QStringLiteral("Edit"), Twips(900, 6660, 795, 345));
    Label1[1] = MakeLabel(this, "Label1", QStringLiteral("Output format:"), Twips(270, 690, 1005, 195));
    lblDestinationFolder =
        MakeLabel(this, "lblDestinationFolder", QStringLiteral("Label2"), Twips(1380, 1110, 5325, 285));
    lblDestinationFolder->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    lblDestinationFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label1[3] = MakeLabel(this, "Label1", QStringLiteral("Quote Source:"), Twips(270, 240, 1035, 195));
    cmbQuoteSource = MakeControl<QComboBox>(this, "cmbQuoteSource", Twips(1380, 180, 2805, 315));
    cmdToken = MakeButton(this, "cmdToken", QStringLiteral("Token..."), Twips(4260, 180, 1200, 315));
    cmdToken->setEnabled(false);
    cmbFileFormat = MakeControl<QComboBox>(this, "cmbFileFormat", Twips(1380, 630, 2805, 315));
    cmdStartDownload[1] =
        MakeButton(this, "cmdStartDownload", QStringLiteral("Download Checked"), Twips(312, 7380, 1905, 405));
    cmdHelp = MakeButton(this, "cmdHelp", QStringLiteral("Help"), Twips(4144, 7380, 1425, 405));
    // The run's own controls share the free band under the list.
    prgRun = MakeControl<QProgressBar>(this, "prgRun", Twips(2640, 6690, 3720, 285));
    prgRun->setTextVisible(false);
    cmdStop = MakeButton(this, "cmdStop", QStringLiteral("Stop"), Twips(6450, 6660, 1095, 345));
    cmdStop->setEnabled(false);
    chkUpdateExisting = MakeControl<QCheckBox>(this, "chkUpdateExisting", Twips(90, 7050, 3600, 285));
    chkUpdateExisting->setText(QStringLiteral("Update existing files"));
    // The unattended update: free places on the source's row and beside the start year.
    cmdSchedule = MakeButton(this, "cmdSchedule", QStringLiteral("Schedule..."), Twips(5985, 180, 1200, 315));
    // Right of the End date, which comes first beside the start year.
    lblLastUpdate = MakeLabel(this, "lblLastUpdate", QString(), Twips(4110, 1590, 3435, 195));

    NumberControls(Label1);
    WidenCaptions(Label1);
    NumberControls(cmdStartDownload);
    NumberControls(cmdSymbols);

    QWidget *const tabOrder[] = {
        txtStartYear,  cmdStartDownload[0], cmdPickFolder, cmdSymbols[0],     cmdSymbols[1],
        cmdClose,      lstvSymbols,         cmdSymbols[2], cmbQuoteSource,    cmdToken,
        cmbFileFormat, cmdStartDownload[1], cmdHelp,       chkUpdateExisting, cmdStop};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    setTabOrder(cmdStop, cmdSchedule);
    // Made after the tab order is set, so they come last in it.
    m_runChoices = std::make_unique<RunChoiceControls>(this, chkUpdateExisting);
    m_lookup = new SymbolLookup(m_downloader, nullptr, this);

    ConnectClicks(cmdStartDownload, this, [this](int i) { cmdStartDownload_Click(i); });
    ConnectClicks(cmdSymbols, this, [this](int i) { cmdSymbols_Click(i); });
    connect(cmdPickFolder, &QPushButton::clicked, this, &Form1::cmdPickFolder_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &Form1::cmdHelp_Click);
    connect(cmdClose, &QPushButton::clicked, this, &Form1::cmdClose_Click);
    connect(cmdStop, &QPushButton::clicked, this, &Form1::cmdStop_Click);
    connect(cmbQuoteSource, &QComboBox::currentIndexChanged, this, &Form1::cmbQuoteSource_Click);
    connect(cmdToken, &QPushButton::clicked, this, &Form1::cmdToken_Click);
    connect(cmbFileFormat, &QComboBox::currentIndexChanged, this, &Form1::cmbFileFormat_Click);
    connect(cmdSchedule, &QPushButton::clicked, this, &Form1::cmdSchedule_Click);

    txtStartYear->setFocus();
}

QString Form1::SettingsPath() const
{
    return m_settingsFolder + FolderPath::Separator() + QStringLiteral("Quorbex.ini");
}

QString Form1::SymbolsPath() const
{
    return m_settingsFolder + FolderPath::Separator() + QStringLiteral("Symbols.txt");
}

void Form1::Form_Load()
{
    const AppSettings settings = INIfileRead(SettingsPath());
    txtStartYear->setText(settings.StartYear);
    lblDestinationFolder->setText(settings.DestinationFolder);
    BMpath = settings.BMpath;
    QLTpath = settings.QLTpath;
    FileFormat = settings.FileFormat;
    QuoteSource = settings.QuoteSource;
    m_services = settings.services;
    m_retries = settings.Retries;
    m_jobs = settings.Jobs;
    chkUpdateExisting->setChecked(settings.UpdateExisting);
    m_runChoices->Load(settings);
    m_downloader.SetServices(m_services);
    m_downloader.SetLocale(QLocale());

    QString symbolsError;
    const ReadResult symbolsRead = SymbolsLoad(SymbolsPath(), *m_symbols, &symbolsError);
    if (symbolsRead == ReadResult::Failed)
        m_symbolsUnread = symbolsError;
    else if (symbolsRead == ReadResult::Missing && settings.FirstStart)
        for (const QString &symbol : FirstStartSymbols())
            m_symbols->AddRow(symbol);

    // Selecting from code runs the same handler as a selection by the user; the handlers are
    // idempotent, so calling them once more covers an index that did not change.
    {
        const QSignalBlocker blockSources(cmbQuoteSource);
        for (const QuoteService *service : ServiceRegistry::All())
            cmbQuoteSource->addItem(service->Name());
    }
    cmbQuoteSource->setCurrentIndex(QuoteSource);
    cmbQuoteSource_Click();
    {
        const QSignalBlocker blockFormats(cmbFileFormat);
        cmbFileFormat->addItems(
            {QStringLiteral("Brindlemoor .bin file"), QStringLiteral("Quillamere Trader .kyv file")});
    }
    cmbFileFormat->setCurrentIndex(FileFormat);
    cmbFileFormat_Click();

    // Centred by the screen size alone, so a window larger than the screen gets a negative place.
    const QSize screen = m_platform.ScreenSize();
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);

    if (const QList<RunRecord> last = RunLog::Recent(RunLog::Path(), 1); !last.isEmpty()) {
        lblLastUpdate->setText(RunLog::LastUpdateText(last.front(), m_platform.CurrentDate()));
        lblLastUpdate->setToolTip(lblLastUpdate->text()); // the whole text, should the label cut it
    }

    AutoSizeColumns();
}

void Form1::Form_Unload()
{
    QDir().mkpath(m_settingsFolder); // a settings folder of its own is made on the first save
    // One message for each file that could not be saved: the list's additions and the settings
    // are lost otherwise without a word.
    const auto report = [this](const QString &path, const QString &reason) {
        m_platform.ShowCritical(this,
                                QStringLiteral("Could not save ") + path + QStringLiteral(": ") + reason);
    };
    QString error;
    if (m_symbolsUnread)
        report(SymbolsPath(), QStringLiteral("it could not be read at start-up (") + *m_symbolsUnread + u')');
    else if (!SymbolsSave(SymbolsPath(), *m_symbols, &error))
        report(SymbolsPath(), error);

    AppSettings settings;
    settings.StartYear = txtStartYear->text();
    settings.DestinationFolder = lblDestinationFolder->text();
    settings.BMpath = BMpath;
    settings.QLTpath = QLTpath;
    settings.FileFormat = FileFormat;
    settings.QuoteSource = QuoteSource;
    settings.services = m_services;
    settings.UpdateExisting = chkUpdateExisting->isChecked();
    m_runChoices->Store(settings);
    if (!INIfileWrite(SettingsPath(), settings, &error))
        report(SettingsPath(), error);
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (m_batchRunning) {
        // Let the batch unwind first; it closes the window again when it has stopped.
        m_closeRequested = true;
        if (m_batch)
            m_batch->Interrupt();
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void Form1::cmdClose_Click()
{
    close();
}

void Form1::cmdStop_Click()
{
    m_stopRequested = true;
    if (m_batch)
        m_batch->Interrupt();
}

void Form1::cmbQuoteSource_Click()
{
    QuoteSource = cmbQuoteSource->currentIndex();
    const QuoteService *service = ServiceRegistry::At(QuoteSource);
    cmdToken->setEnabled(service && service->TakesToken());
    m_runChoices->ShowService(QuoteSource);
}

void Form1::cmdToken_Click()
{
    AskToken(QuoteSource);
}

void Form1::AskToken(int quoteSource)
{
    const QString entered = AskServiceToken(m_platform, this, quoteSource, m_services[quoteSource].token);
    if (entered.isEmpty())
        return;
    m_services[quoteSource].token = entered;
    m_downloader.SetServices(m_services);
}

void Form1::cmbFileFormat_Click()
{
    FileFormat = cmbFileFormat->currentIndex();
    lblDestinationFolder->setText(FileFormat == 0 ? BMpath : QLTpath);
}

int Form1::CurrentRow() const
{
    const QModelIndex current = lstvSymbols->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void Form1::AutoSizeColumns()
{
    lstvSymbols->FitColumns();
}

void Form1::cmdSymbols_Click(int Index)
{
    switch (Index) {
    case 0: {
        bool added = false;
        for (const QString &entered :
             m_platform.AskSymbols(this, SymbolLookupDialog::AddPrompt(*m_lookup, QuoteSource)))
            added = AddSymbol(*m_symbols, entered) >= 0 || added;
        if (added)
            AutoSizeColumns();
        break;
    }
    case 1:
        (void)RemoveSymbol(*m_symbols, CurrentRow());
        break;
    case 2: {
        const int row = CurrentRow();
        if (row < 0)
            return;
        const QString entered =
            m_platform.AskText(this, QStringLiteral("Edit symbol:"), m_symbols->Row(row).Symbol);
        // The dialog may have let a download remove rows meanwhile.
        const int stillCurrent = CurrentRow();
        if (stillCurrent >= 0 && EditSymbol(*m_symbols, stillCurrent, entered))
            AutoSizeColumns();
        break;
    }
    }
}

void Form1::cmdPickFolder_Click()
{
    const QString chosen = m_platform.PickFolder(
        this, QStringLiteral("Select a folder where data files will be saved"), lblDestinationFolder->text());
    if (chosen.isEmpty())
        return;
    const QString folder = FolderPath::WithTrailingSeparator(QDir::toNativeSeparators(chosen));
    // Stored in the settings file, a line break would start new lines there.
    if (folder.contains(u'\r') || folder.contains(u'\n')) {
        m_platform.ShowCritical(this,
                                QStringLiteral("Folder names with line breaks cannot be used: ") + folder);
        return;
    }
    lblDestinationFolder->setText(folder);
    if (cmbFileFormat->currentIndex() == 0)
        BMpath = folder;
    else
        QLTpath = folder;
}

void Form1::cmdSchedule_Click()
{
    auto *dialog = new ScheduleDialog(QCoreApplication::applicationFilePath(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &ScheduleDialog::aboutToSet, this, &Form1::Form_Unload);
    dialog->open();
}

void Form1::cmdHelp_Click()
{
    ShowHelpFile(m_platform, this, m_helpFile);
}

void Form1::SetBusy(bool busy)
{
    m_batchRunning = busy;
    m_stopRequested = false;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    for (QPushButton *button : cmdStartDownload)
        button->setEnabled(!busy);
    cmdStop->setEnabled(busy);
    // Empty between runs.
    prgRun->setTextVisible(false);
    prgRun->setValue(0);
}

void Form1::cmdStartDownload_Click(int Index)
{
    if (m_batchRunning)
        return;
    if (m_symbols->Count() == 0) {
        m_platform.ShowCritical(this, BatchRules::NoSymbolsMessage());
        return;
    }
    const int currentYear = m_platform.CurrentDate().year();
    const BatchRules::StartYearCheck startYear =
        BatchRules::CheckStartYear(txtStartYear->text(), QLocale(), currentYear);
    if (!startYear.ok) {
        m_platform.ShowCritical(this, startYear.message);
        txtStartYear->setFocus();
        return;
    }
    const RequestChoices::EndDateCheck endDate =
        m_runChoices->CheckEndDate(startYear.year, m_platform.CurrentDate());
    if (!endDate.ok) {
        m_platform.ShowCritical(this, endDate.message);
        m_runChoices->EndDateField()->setFocus();
        return;
    }
    QString folder = lblDestinationFolder->text();
    if (folder.isEmpty()) {
        m_platform.ShowCritical(this, BatchRules::FolderNotValidMessage());
        return;
    }
    if (const QuoteService *service = ServiceRegistry::At(QuoteSource);
        service && service->NeedsUserToken() && m_services[QuoteSource].token.isEmpty()) {
        AskToken(QuoteSource);
        if (m_services[QuoteSource].token.isEmpty()) {
            m_platform.ShowCritical(this, service->Describe().token->missingMessage);
            return;
        }
    }

    SetBusy(true);
    folder = FolderPath::WithTrailingSeparator(folder);
    lblDestinationFolder->setText(folder);
    if (!QDir().mkpath(folder)) {
        m_platform.ShowCritical(this, BatchRules::FolderNotCreatedMessage(folder));
        SetBusy(false);
        return;
    }

    const bool checkedOnly = Index == 1;
    for (int row = 0; row < m_symbols->Count(); ++row) {
        if (!checkedOnly || m_symbols->Row(row).Checked)
            m_symbols->ClearCells(row);
    }

    WindowRows rows(
        *m_symbols, *lstvSymbols, checkedOnly,
        {[this] { return QuoteSource; }, [this] { return FileFormat; },
         [this] { return m_closeRequested || m_stopRequested; }, [this] { AutoSizeColumns(); },
         [this](int done, int total) { ShowRunProgress(*prgRun, done, total, m_runClock.elapsed()); }});
    prgRun->setTextVisible(true);
    m_runClock.start();
    ShowRunProgress(*prgRun, 0, rows.Total(), 0);
    const TransferPool transfers(&m_transfer, m_jobs, m_timeout);
    m_downloader.SetRequestOptions({m_runChoices->Prices(), endDate.date});
    DownloadBatch batch(m_downloader, rows, startYear.year, folder,
                        BatchOptions{m_retries, m_runChoices->UpdatesFiles()}, m_clock);
    m_batch = &batch;
    (void)batch.Run(transfers.All());
    m_batch = nullptr;
    m_runChoices->RunDone();

    AutoSizeColumns();
    SetBusy(false);
    if (m_closeRequested)
        close();
}
