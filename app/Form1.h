#pragma once

#include "AppPaths.h"
#include "AppSettings.h"
#include "HttpTransfer.h"
#include "QuoteDownloader.h"

#include <QElapsedTimer>
#include <QWidget>

#include <array>
#include <chrono>
#include <memory>
#include <optional>

class PlatformServices;
class SymbolListModel;
class SymbolListView;
class BatchClock;
class DownloadBatch;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class RunChoiceControls;
class SymbolLookup;
class QTimer;

// The program's one window. Handlers carry the names of the commands they implement.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    Form1(PlatformServices &platform, const AppPaths &paths, QWidget *parent = nullptr);
    // `programFolder` holds "Quorbex.ini", "Symbols.txt" and "Quorbex.chm".
    Form1(PlatformServices &platform, const QString &programFolder, QWidget *parent = nullptr);
    ~Form1() override;

    void cmdStartDownload_Click(int Index);
    void cmdSymbols_Click(int Index);
    void cmdPickFolder_Click();
    void cmdHelp_Click();
    void cmdClose_Click();
    void cmdStop_Click();
    void cmbQuoteSource_Click();
    void cmdToken_Click();
    void cmbFileFormat_Click();
    void cmdSchedule_Click();
    void AutoSizeColumns();
    // The list's own commands, also in its context menu.
    void RemoveSelected();
    void PasteSymbols();
    void ImportSymbols();
    void CopySymbols();
    void TickFailed();

    [[nodiscard]] SymbolListModel &Symbols() const { return *m_symbols; }
    [[nodiscard]] bool BatchRunning() const { return m_batchRunning; }
    void SetRequestTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    // The clock of the batches' waits; the system's unless a test gives its own.
    void SetBatchClock(BatchClock *clock) { m_clock = clock; }

    // Window-level choices.
    int QuoteSource = 0;
    int FileFormat = 0;
    QString BMpath;
    QString QLTpath;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void CreateControls();
    void CreateListMenu();
    void ConnectSaving();
    void Form_Load();
    void Form_Unload();
    [[nodiscard]] int CurrentRow() const;
    [[nodiscard]] QString SettingsPath() const;
    [[nodiscard]] QString SymbolsPath() const;
    // Asks for the token of `quoteSource` with the current one filled in; an empty answer keeps it.
    void AskToken(int quoteSource);
    void SetBusy(bool busy);
    // The Details of rows not downloaded in this session: the state of their files.
    void RefreshFilesOnDisk();
    // Where the progress bar stands between runs; empty brings the bar back.
    void ShowSummary(const QString &text);
    void AddEntered(const QStringList &symbols);
    [[nodiscard]] AppSettings CurrentSettings() const;
    // Saves, a moment later, what changed: the settings, the list or both. Failures are told on Close.
    void ScheduleSave(bool settings, bool symbols, int delayMs = 0);
    void SaveChanges();

    PlatformServices &m_platform;
    QString m_settingsFolder;
    QString m_helpFile;
    HttpTransfer m_transfer;
    QuoteDownloader m_downloader;
    QList<ServiceSettings> m_services; // tokens as entered; the rest as read
    SymbolListModel *m_symbols = nullptr;
    bool m_loaded = false;
    bool m_settingsChanged = false;
    bool m_symbolsChanged = false;
    bool m_sizeChosen = false; // the user has resized the window
    QTimer *m_saveTimer = nullptr;
    // The controls under the list at the first size, which follow the bottom edge.
    QList<QPair<QWidget *, QRect>> m_belowList;
    QPoint m_scheduleAt; // at the first size; it keeps to the right edge
    bool m_batchRunning = false;
    bool m_closeRequested = false;
    bool m_stopRequested = false;
    DownloadBatch *m_batch = nullptr; // while a run is under way
    BatchClock *m_clock = nullptr;
    QElapsedTimer m_runClock;
    std::chrono::milliseconds m_timeout{HttpTransfer::kDefaultTimeout};
    int m_retries = 3;
    bool m_marketDay = true;
    int m_jobs = 1;
    // Why "Symbols.txt" could not be read at start-up; such a file is never saved over.
    std::optional<QString> m_symbolsUnread;

    std::array<QLabel *, 4> Label1{};
    QLineEdit *txtStartYear = nullptr;
    std::array<QPushButton *, 2> cmdStartDownload{};
    QPushButton *cmdPickFolder = nullptr;
    std::array<QPushButton *, 3> cmdSymbols{};
    QPushButton *cmdClose = nullptr;
    SymbolListView *lstvSymbols = nullptr;
    QLabel *lblDestinationFolder = nullptr;
    QComboBox *cmbQuoteSource = nullptr;
    QPushButton *cmdToken = nullptr;
    QComboBox *cmbFileFormat = nullptr;
    QPushButton *cmdHelp = nullptr;
    QProgressBar *prgRun = nullptr;
    QPushButton *cmdStop = nullptr;
    QLabel *lblRunSummary = nullptr;
    QCheckBox *chkUpdateExisting = nullptr;
    std::unique_ptr<RunChoiceControls> m_runChoices; // Prices and End date
    SymbolLookup *m_lookup = nullptr;
    QPushButton *cmdSchedule = nullptr;
    QLabel *lblLastUpdate = nullptr;
};
