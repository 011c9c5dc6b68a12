#include "ChartWindow.h"
#include "BarFileWriter.h"
#include "ChartView.h"
#include "DateValue.h"
#include "TestFiles.h"

#include <QApplication>
#include <QComboBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolTip>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// Three years of weekdays from 2022 with a zero close (a finding) on 3 June 2024, or without `missing`.
QString WriteHistory(const QTemporaryDir &folder, const QString &name = u"T.bin"_s, QDate missing = {})
{
    QList<double> dates;
    for (QDate day(2022, 1, 3); day <= QDate(2024, 12, 31); day = day.addDays(1)) {
        if (day.dayOfWeek() <= 5 && day != missing)
            dates.append(*DateValue::CalendarDate(day.year(), day.month(), day.day()));
    }
    BarSeries series;
    series.Prepare(int(dates.size()));
    const double bad = *DateValue::CalendarDate(2024, 6, 3);
    for (int bar = 1; bar <= series.BarCount; ++bar) {
        series.SetBarDate(bar, dates.at(bar - 1));
        const float close = dates.at(bar - 1) == bad ? 0.0F : 50.0F + float(bar % 7);
        series.values[std::size_t(bar - 1)] = {50, 58, 49, close, 1000};
    }
    const QString path = folder.filePath(name);
    EXPECT_TRUE(WriteFile(path, BinFileBytes(series)));
    return path;
}

// One flow through the window: it opens on the last year, the wheel zooms about the pointer, keys and a
// drag pan, "All" shows everything, and a finding's mark names it.
TEST(ChartWindowTest, ZoomPanAndFindingsFromTheMouseAndKeys)
{
    QTemporaryDir folder;
    QString error;
    EXPECT_EQ(ChartWindow::FromFile(folder.filePath(u"none.bin"_s), &error), nullptr);
    EXPECT_EQ(error, u"file not found"_s);
    std::unique_ptr<ChartWindow> window(ChartWindow::FromFile(WriteHistory(folder), &error));
    ASSERT_TRUE(window);
    window->resize(900, 600);
    window->show();
    ChartView &view = window->View();
    ChartModel &model = view.Model();
    EXPECT_EQ(model.VisibleBars().second, model.BarCount() - 1);
    EXPECT_NEAR(model.Span(), 262, 2); // a year of weekdays

    const QPointF at(300, view.PlotRect().center().y());
    const int under = model.BarAt(at.x());
    QWheelEvent wheel(at, view.mapToGlobal(at), {}, {0, 240}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(&view, &wheel);
    EXPECT_LT(model.Span(), 262 / 1.3);
    EXPECT_EQ(model.BarAt(at.x()), under);

    const double first = model.FirstBar();
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(&view, &left);
    EXPECT_LT(model.FirstBar(), first);
    const double before = model.FirstBar();
    QMouseEvent press(QEvent::MouseButtonPress, at, view.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent drag(QEvent::MouseMove, at + QPointF(100, 0), view.mapToGlobal(at + QPointF(100, 0)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&view, &press);
    QApplication::sendEvent(&view, &drag);
    EXPECT_NEAR(model.FirstBar(), before - 100 / model.PixelsPerBar(), 1e-6);

    window->findChild<QPushButton *>(u"cmdAll"_s)->click();
    EXPECT_EQ(model.Span(), model.BarCount());
    window->findChild<QComboBox *>(u"cmbChartStyle"_s)->setCurrentIndex(1);
    EXPECT_FALSE(window->grab().isNull());

    ASSERT_EQ(model.VisibleMarkers().size(), 1u);
    const QPoint mark(int(model.VisibleMarkers().front().x), view.PlotRect().top() + 3);
    QHelpEvent help(QEvent::ToolTip, mark, view.mapToGlobal(mark));
    QApplication::sendEvent(&view, &help);
    EXPECT_TRUE(QToolTip::text().startsWith(u"price on 2024-06-03: "_s)) << QToolTip::text().toStdString();
    EXPECT_TRUE(view.CrosshairText(0).startsWith(u"2022-01-03   O 50.00   H 58.00   L 49.00   C "_s));
}

// The window opens on the file's own findings; those that need the folder's other files follow.
TEST(ChartWindowTest, GapsAgainstTheFolderFollowTheOpening)
{
    QTemporaryDir folder;
    for (const QString &name : {u"A.bin"_s, u"B.bin"_s, u"C.bin"_s})
        (void)WriteHistory(folder, name);
    QString error;
    std::unique_ptr<ChartWindow> window(
        ChartWindow::FromFile(WriteHistory(folder, u"D.bin"_s, QDate(2024, 3, 5)), &error));
    ASSERT_TRUE(window);
    EXPECT_EQ(window->View().Model().Findings().size(), 1u);
    window->WaitForCheck();
    const std::vector<BarFinding> &findings = window->View().Model().Findings();
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[0].Label(), u"gap on 2024-03-05"_s);
    EXPECT_EQ(window->findChild<QLabel *>(u"lblFindings"_s)->text(),
              u"2 warnings: price on 2024-06-03, gap on 2024-03-05"_s);
}

} // namespace
