#include "Form1.h"

#include "AppIcon.h"
#include "BatchRules.h"
#include "DownloadBatch.h"
#include "FilesOnDisk.h"
#include "FolderDialog.h"
#include "FolderPath.h"
#include "FormControls.h"
#include "PlatformServices.h"
#include "RowFiles.h"
#include "RunChoiceControls.h"
#include "RunLog.h"
#include "RunSummary.h"
#include "ScheduleDialog.h"
#include "ServiceRegistry.h"
#include "SymbolCommands.h"
#include "SymbolEntry.h"
#include "SymbolListModel.h"
#include "SymbolListView.h"
#include "SymbolLookup.h"
#include "SymbolLookupDialog.h"
#include "SymbolsFile.h"
#include "TransferPool.h"
#include "WindowRows.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>
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
    QToolTip::setFont(font); // a tooltip is a window of its own and would not inherit it
    // The client area as laid out is the first and smallest size; the list takes what is added.
    resize(Twips(0, 0, 7560, 8040).size());
    setMinimumSize(size());

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
    connect(lstvSymbols->header(), &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) { m_symbols->sort(column, order); });

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
    m_scheduleAt = cmdSchedule->pos();
    // Right of the End date, which comes first beside the start year.
    lblLastUpdate = MakeLabel(this, "lblLastUpdate", QString(), Twips(4290, 1590, 3255, 195));
    lblRunSummary = MakeLabel(this, "lblRunSummary", QString(), Twips(2640, 6690, 3720, 285));
    lblRunSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblRunSummary->hide();
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child != lstvSymbols && child->y() >= lstvSymbols->geometry().bottom())
            m_belowList.append({child, child->geometry()});
    }
    CreateListMenu();

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
    // Double-click or Enter on a row: the chart of its file in the selected format's folder.
    connect(lstvSymbols, &QAbstractItemView::activated, this, [this](const QModelIndex &index) {
        RowFiles::OpenChart(m_platform, this, lblDestinationFolder->text(),
                            m_symbols->Row(index.row()).Symbol, FileFormat);
    });

    txtStartYear->setFocus();
}

void Form1::CreateListMenu()
{
    SymbolListView &list = *lstvSymbols;
    list.AddMenuAction(QStringLiteral("Tick failed rows"), QKeySequence(Qt::CTRL | Qt::Key_F), this,
                       [this] { TickFailed(); });
    list.AddMenuAction(QStringLiteral("Tick all"), QKeySequence(Qt::CTRL | Qt::Key_T), this,
                       [this] { TickAllRows(*m_symbols, true); });
    list.AddMenuAction(QStringLiteral("Untick all"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), this,
                       [this] { TickAllRows(*m_symbols, false); });
    list.AddMenuSeparator();
    list.AddMenuAction(QStringLiteral("Edit..."), QKeySequence(Qt::Key_F2), this,
                       [this] { cmdSymbols_Click(2); });
    list.AddMenuAction(QStringLiteral("Remove selected"), QKeySequence(QKeySequence::Delete), this,
                       [this] { RemoveSelected(); });
    list.AddMenuAction(QStringLiteral("Copy symbols"), QKeySequence(QKeySequence::Copy), this,
                       [this] { CopySymbols(); });
    list.AddMenuAction(QStringLiteral("Paste symbols"), QKeySequence(QKeySequence::Paste), this,
                       [this] { PasteSymbols(); });
    list.AddMenuAction(QStringLiteral("Import..."), QKeySequence(Qt::CTRL | Qt::Key_I), this,
                       [this] { ImportSymbols(); });
    list.AddMenuSeparator();
    list.AddMenuAction(QStringLiteral("Chart"), {}, this, [this] {
        if (const int row = CurrentRow(); row >= 0)
            RowFiles::OpenChart(m_platform, this, lblDestinationFolder->text(), m_symbols->Row(row).Symbol,
                                FileFormat);
    });
    list.AddMenuAction(QStringLiteral("Check library"), {}, this, [this] {
        RowFiles::ShowChecks(*m_symbols, lblDestinationFolder->text(), FileFormat);
    });
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!lstvSymbols)
        return;
    const QSize first = minimumSize();
    const int wider = std::max(0, width() - first.width());
    const int taller = std::max(0, height() - first.height());
    lstvSymbols->setGeometry(Twips(30, 1980, 7515, 4665).adjusted(0, 0, wider, taller));
    for (const auto &[control, place] : std::as_const(m_belowList)) {
        // The run's band stretches so a long summary shows whole; Stop keeps to the right edge.
        if (control == prgRun || control == lblRunSummary)
            control->setGeometry(place.translated(0, taller).adjusted(0, 0, wider, 0));
        else if (control == cmdStop)
            control->move(place.topLeft() + QPoint(wider, taller));
        else
            control->move(place.topLeft() + QPoint(0, taller));
    }
    if (cmdSchedule)
        cmdSchedule->move(m_scheduleAt + QPoint(wider, 0));
    if (m_loaded) {
        AutoSizeColumns();
        if (event->oldSize().isValid() && event->size() != event->oldSize()) {
            m_sizeChosen = true;
            ScheduleSave(true, false, 500); // a drag resizes many times
        }
    }
}

void Form1::ShowSummary(const QString &text)
{
    lblRunSummary->setText(text);
    lblRunSummary->setToolTip(text);
    lblRunSummary->setVisible(!text.isEmpty());
    prgRun->setVisible(text.isEmpty());
}

void Form1::ConnectSaving()
{
    m_saveTimer = new QTimer(this);
    m_saveTimer->setSingleShot(true);
    connect(m_saveTimer, &QTimer::timeout, this, &Form1::SaveChanges);
    const auto settingsChanged = [this] { ScheduleSave(true, false); };
    connect(txtStartYear, &QLineEdit::textChanged, this, settingsChanged);
    connect(cmbQuoteSource, &QComboBox::currentIndexChanged, this, settingsChanged);
    connect(cmbFileFormat, &QComboBox::currentIndexChanged, this, settingsChanged);
    connect(chkUpdateExisting, &QCheckBox::toggled, this, settingsChanged);
    connect(m_runChoices->PricesField(), &QComboBox::currentIndexChanged, this, settingsChanged);
    connect(m_runChoices->EndDateField(), &QLineEdit::textChanged, this, settingsChanged);

    const auto listChanged = [this] {
        ScheduleSave(false, true);
        if (!m_batchRunning)
            ShowSummary(QString());
    };
    connect(m_symbols, &QAbstractItemModel::rowsInserted, this, listChanged);
    connect(m_symbols, &QAbstractItemModel::rowsRemoved, this, listChanged);
    connect(m_symbols, &QAbstractItemModel::layoutChanged, this, listChanged);
    connect(m_symbols, &QAbstractItemModel::modelReset, this, listChanged);
    connect(m_symbols, &QAbstractItemModel::dataChanged, this,
            [listChanged](const QModelIndex &topLeft, const QModelIndex &, const QList<int> &roles) {
                if (topLeft.column() == 0 && roles.contains(Qt::DisplayRole))
                    listChanged();
            });
}

void Form1::ScheduleSave(bool settings, bool symbols, int delayMs)
{
    if (!m_saveTimer)
        return;
    m_settingsChanged = m_settingsChanged || settings;
    m_symbolsChanged = m_symbolsChanged || symbols;
    if (!m_saveTimer->isActive() || delayMs < m_saveTimer->remainingTime())
        m_saveTimer->start(delayMs);
}

void Form1::SaveChanges()
{
    if (!m_settingsChanged && !m_symbolsChanged)
        return;
    QDir().mkpath(m_settingsFolder);
    // A list file that could not be read holds symbols the list does not: it is never saved over.
    if (m_symbolsChanged && !m_symbolsUnread)
        (void)SymbolsSave(SymbolsPath(), *m_symbols);
    if (m_settingsChanged)
        (void)INIfileWrite(SettingsPath(), CurrentSettings());
    m_settingsChanged = m_symbolsChanged = false;
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
    m_marketDay = settings.MarketDay;
    m_jobs = settings.Jobs;
    chkUpdateExisting->setChecked(settings.UpdateExisting);
    m_runChoices->Load(settings);
    if (settings.WindowWidth > 0) {
        m_sizeChosen = true;
        resize(settings.WindowWidth, settings.WindowHeight); // never below the first size
    }
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

    m_loaded = true;
    RefreshFilesOnDisk();
    AutoSizeColumns();
    ConnectSaving();
}

void Form1::RefreshFilesOnDisk()
{
    if (!m_loaded)
        return;
    QStringList symbols;
    symbols.reserve(m_symbols->Count());
    for (int row = 0; row < m_symbols->Count(); ++row)
        symbols.append(m_symbols->Row(row).Symbol);
    m_symbols->SetOnDisk(FilesOnDisk(symbols, lblDestinationFolder->text(), FileFormat));
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

    if (!INIfileWrite(SettingsPath(), CurrentSettings(), &error))
        report(SettingsPath(), error);
    m_settingsChanged = m_symbolsChanged = false;
}

AppSettings Form1::CurrentSettings() const
{
    AppSettings settings;
    settings.StartYear = txtStartYear->text();
    settings.DestinationFolder = lblDestinationFolder->text();
    settings.BMpath = BMpath;
    settings.QLTpath = QLTpath;
    settings.FileFormat = FileFormat;
    settings.QuoteSource = QuoteSource;
    settings.services = m_services;
    settings.UpdateExisting = chkUpdateExisting->isChecked();
    settings.MarketDay = m_marketDay;
    m_runChoices->Store(settings);
    if (m_sizeChosen) {
        settings.WindowWidth = width();
        settings.WindowHeight = height();
    }
    return settings;
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (m_batchRunning && !m_closeRequested &&
        !m_platform.Confirm(this, QStringLiteral("A download is running. Stop it and close the window?"))) {
        event->ignore();
        return;
    }
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
    ScheduleSave(true, false);
}

void Form1::cmbFileFormat_Click()
{
    FileFormat = cmbFileFormat->currentIndex();
    lblDestinationFolder->setText(FileFormat == 0 ? BMpath : QLTpath);
    RefreshFilesOnDisk();
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
        QStringList entered;
        for (const QString &text :
             m_platform.AskSymbols(this, SymbolLookupDialog::AddPrompt(*m_lookup, QuoteSource)))
            entered += EnteredSymbols(text);
        AddEntered(entered);
        break;
    }
    case 1:
        RemoveSelected();
        break;
    case 2: {
        const int row = CurrentRow();
        if (row < 0)
            return;
        const QString entered =
            m_platform.AskText(this, QStringLiteral("Edit symbol:"), m_symbols->Row(row).Symbol);
        // The dialog may have let a download remove rows meanwhile.
        const int stillCurrent = CurrentRow();
        if (stillCurrent >= 0 && EditSymbol(*m_symbols, stillCurrent, entered)) {
            RefreshFilesOnDisk();
            AutoSizeColumns();
        }
        break;
    }
    }
}

void Form1::AddEntered(const QStringList &symbols)
{
    if (symbols.isEmpty())
        return;
    const AddedSymbols result = AddNewSymbols(*m_symbols, symbols);
    if (!result.added.isEmpty()) {
        RefreshFilesOnDisk();
        AutoSizeColumns();
        lstvSymbols->scrollTo(m_symbols->index(m_symbols->Count() - 1, 0));
    }
    ShowSummary(SkippedText(result));
}

void Form1::RemoveSelected()
{
    const QList<int> rows = lstvSymbols->SelectedRows();
    if (rows.isEmpty())
        return;
    if (rows.size() > 1 &&
        !m_platform.Confirm(this, QStringLiteral("Remove the %1 selected symbols?").arg(rows.size())))
        return;
    m_symbols->RemoveRows(rows);
}

void Form1::PasteSymbols()
{
    AddEntered(EnteredSymbols(QGuiApplication::clipboard()->text()));
}

void Form1::ImportSymbols()
{
    const QString path = m_platform.PickFile(this, QStringLiteral("Import symbols"),
                                             QStringLiteral("Symbol lists (*.txt *.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    QByteArray bytes;
    QString error;
    if (ReadRegularFile(path, &bytes, &error) != ReadResult::Read) {
        m_platform.ShowCritical(this, QStringLiteral("Could not read ") + path + QStringLiteral(": ") +
                                          (error.isEmpty() ? QStringLiteral("file not found") : error));
        return;
    }
    AddEntered(ImportedSymbols(bytes));
}

void Form1::CopySymbols()
{
    QGuiApplication::clipboard()->setText(SymbolsText(*m_symbols, lstvSymbols->SelectedRows()));
}

void Form1::TickFailed()
{
    (void)TickFailedRows(*m_symbols);
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
    RefreshFilesOnDisk();
    ScheduleSave(true, false);
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
    ShowSummary(QString());
    folder = FolderPath::WithTrailingSeparator(folder);
    lblDestinationFolder->setText(folder);
    ScheduleSave(true, false);
    if (QString reason; !MakeFolder(folder, &reason)) {
        m_platform.ShowCritical(this, BatchRules::FolderNotCreatedMessage(folder) + QStringLiteral(" (") +
                                          reason + u')');
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
                        BatchOptions{m_retries, m_runChoices->UpdatesFiles(), m_marketDay}, m_clock);
    m_batch = &batch;
    const DownloadBatch::Summary summary = batch.Run(transfers.All());
    m_batch = nullptr;
    m_runChoices->RunDone();

    RefreshFilesOnDisk();
    AutoSizeColumns();
    SetBusy(false);
    ShowSummary(RunSummaryText(summary, rows.Total(), m_runClock.elapsed()));
    if (m_closeRequested)
        close();
}
