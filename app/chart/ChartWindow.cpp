#include "ChartWindow.h"

#include "AppTitle.h"
#include "BarCalendar.h"
#include "BarCheck.h"
#include "BarFileReader.h"
#include "ChartView.h"
#include "LibraryCheck.h"
#include "PlatformServices.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <cstdio>
#include <memory>

ChartWindow *ChartWindow::FromFile(const QString &path, QString *error, QWidget *parent)
{
    BarFileContents contents = ReadBarFile(path, true);
    if (!contents.ok()) {
        *error = contents.error;
        return nullptr;
    }
    if (contents.series.dates.empty()) {
        *error = QStringLiteral("the file holds no bars");
        return nullptr;
    }
    std::vector<BarFinding> findings = CheckBars(contents.series);
    auto *view = new ChartView(ChartModel(std::move(contents.series), std::move(findings)));
    return new ChartWindow(path, view, parent);
}

ChartWindow::ChartWindow(const QString &path, ChartView *view, QWidget *parent)
    : QWidget(parent, Qt::Window), m_view(view), m_findings(new QLabel(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("%1 - %2").arg(QFileInfo(path).fileName(), AppTitle()));
    view->setParent(this);

    auto *style = new QComboBox(this);
    style->setObjectName(QStringLiteral("cmbChartStyle"));
    style->addItems({QStringLiteral("Candles"), QStringLiteral("OHLC bars")});
    // The style chosen last is the next chart's, while the program runs.
    static int chosenStyle = 0;
    connect(style, &QComboBox::currentIndexChanged, view, [view](int index) {
        chosenStyle = index;
        view->SetStyle(index == 0 ? ChartView::Style::Candles : ChartView::Style::OhlcBars);
    });
    style->setCurrentIndex(chosenStyle);
    auto *lastYear = new QPushButton(QStringLiteral("Last year"), this);
    lastYear->setObjectName(QStringLiteral("cmdLastYear"));
    connect(lastYear, &QPushButton::clicked, view, [view] { view->ShowLastYear(); });
    auto *all = new QPushButton(QStringLiteral("All"), this);
    all->setObjectName(QStringLiteral("cmdAll"));
    connect(all, &QPushButton::clicked, view, [view] { view->ShowAll(); });
    for (QWidget *control : std::initializer_list<QWidget *>{style, lastYear, all})
        control->setFocusPolicy(Qt::NoFocus); // the keys belong to the chart

    auto *controls = new QHBoxLayout;
    controls->addWidget(style);
    controls->addWidget(lastYear);
    controls->addWidget(all);
    controls->addStretch();
    m_findings->setObjectName(QStringLiteral("lblFindings"));
    m_findings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ShowFindings();

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(view, 1);
    layout->addWidget(m_findings);
    resize(960, 600);
    view->setFocus();
    CheckAgainstFolder(path);
}

void ChartWindow::ShowFindings()
{
    const std::vector<BarFinding> &found = m_view->Model().Findings();
    m_findings->setText(found.empty() ? QStringLiteral("No findings") : FindingsSummary(found));
    QStringList lines;
    for (const BarFinding &finding : found)
        lines.append(finding.Label() + QStringLiteral(": ") + finding.words);
    m_findings->setToolTip(lines.join(u'\n'));
    m_view->update();
}

void ChartWindow::CheckAgainstFolder(const QString &path)
{
    auto findings = std::make_shared<std::vector<BarFinding>>();
    m_check = QThread::create([path, findings] {
        const QString name = QFileInfo(path).fileName();
        BarCalendar calendar;
        for (const QString &file : LibraryCheck::BarFilesIn(QFileInfo(path).absolutePath())) {
            if (QThread::currentThread()->isInterruptionRequested())
                return;
            const BarFileContents contents = ReadBarFile(file, true);
            if (contents.ok())
                calendar.Add(QFileInfo(file).fileName(), contents.series);
        }
        const BarFileContents contents = ReadBarFile(path, true);
        if (contents.ok())
            *findings = CheckBars(contents.series, {&calendar, name, calendar.NewestLastDate()});
    });
    m_check->setParent(this);
    connect(m_check, &QThread::finished, this, [this, findings] {
        m_view->Model().SetFindings(std::move(*findings));
        ShowFindings();
    });
    m_check->start(QThread::LowPriority);
}

ChartWindow::~ChartWindow()
{
    // A closed window waits only for the file being read.
    m_check->requestInterruption();
    m_check->wait();
}

void ChartWindow::WaitForCheck()
{
    m_check->wait();
    QCoreApplication::sendPostedEvents(this);
}

void OpenChart(PlatformServices &platform, QWidget *parent, const QString &path)
{
    QString error;
    ChartWindow *window = ChartWindow::FromFile(path, &error, parent);
    if (!window) {
        platform.ShowCritical(
            parent, QStringLiteral("Cannot chart %1: %2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    window->show();
    window->raise();
}

int RunChartWindow(const QString &path)
{
    QString error;
    ChartWindow *window = ChartWindow::FromFile(path, &error);
    if (!window) {
        std::fputs(qPrintable(QStringLiteral("quorbex: %1: %2\n").arg(path, error)), stderr);
        return 2;
    }
    window->show();
    return QApplication::exec();
}
