#include "RunLog.h"
#include "QtPrinters.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

RunRecord MakeRun(const QDateTime &when, int succeeded, int noData, int failed, int exit, QString error = {})
{
    return {when, u"eodhd"_s, u"bin"_s, succeeded, noData, failed, 500, 74.2, exit, std::move(error)};
}

TEST(RunLog, AppendsLinesThatReadBackNewestFirst)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"quorbex/runs.log"_s);
    const QDateTime monday(QDate(2026, 12, 7), QTime(22, 30, 2), QTimeZone(3600));
    ASSERT_TRUE(RunLog::Append(path, MakeRun(monday, 1, 0, 0, 0)));
    ASSERT_TRUE(
        WriteFile(path, ReadFile(path) + "not a run\n2026-12-07T22:30:02 source=x format=bin exit=z\n"));
    ASSERT_TRUE(RunLog::Append(path, MakeRun(monday, 498, 0, 2, 2, u"No symbols\nto download"_s)));
    EXPECT_TRUE(ReadFile(path).endsWith(
        "\n2026-12-07T22:30:02+01:00 source=eodhd format=bin succeeded=498 nodata=0 failed=2 requests=500 "
        "seconds=74.2 exit=2 error=No symbols to download\n"));
    const QList<RunRecord> recent = RunLog::Recent(path, 5);
    ASSERT_EQ(recent.size(), 2);
    EXPECT_EQ(recent[0].when, monday);
    EXPECT_EQ(recent[0].error, u"No symbols to download"_s);
    EXPECT_EQ(recent[1].succeeded, 1);
    EXPECT_FALSE(RunLog::Append(dir.path(), MakeRun(monday, 1, 0, 0, 0))); // a folder in its place
}

TEST(RunLog, LastUpdateSaysWhenAndHowTheLastRunWent)
{
    const QDateTime local(QDate(2026, 12, 7), QTime(22, 30));
    const std::pair<RunRecord, QString> cases[] = {
        {MakeRun(local, 498, 0, 2, 1), u"Last update: Mon 22:30, 498 updated, 2 failed"_s},
        {MakeRun(local, 5, 1, 0, 130), u"Last update: Mon 22:30, 5 updated, 1 no data, stopped"_s},
        {MakeRun(local.addDays(-7), 6, 0, 0, 0), u"Last update: 2026-11-30 22:30, 6 updated"_s},
        {MakeRun(local, 0, 0, 0, 2, u"No symbols"_s), u"Last update: Mon 22:30, did not run: No symbols"_s}};
    for (const auto &[run, text] : cases)
        EXPECT_EQ(RunLog::LastUpdateText(run, QDate(2026, 12, 13)), text);
}

} // namespace
