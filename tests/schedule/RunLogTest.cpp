#include "RunLog.h"
#include "QtPrinters.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

RunRecord MakeRun(const QDateTime &when, int succeeded, int noData, int failed, int exitStatus,
                  QString error = {})
{
    return {when, u"eodhd"_s, u"bin"_s, succeeded, noData, failed, 500, 74.2, exitStatus, std::move(error)};
}

const QDateTime kMonday(QDate(2026, 12, 7), QTime(22, 30, 2), QTimeZone(3600));

TEST(RunLog, LinesRoundTripAndForeignLinesAreSkipped)
{
    const RunRecord run = MakeRun(kMonday, 498, 0, 2, 2, u"No symbols\nto download"_s);
    const QString line = RunLog::Line(run);
    EXPECT_EQ(line, u"2026-12-07T22:30:02+01:00 source=eodhd format=bin succeeded=498 nodata=0 failed=2 "
                    "requests=500 seconds=74.2 exit=2 error=No symbols to download"_s);
    const std::optional<RunRecord> back = RunLog::ParseLine(line);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->when, kMonday);
    EXPECT_EQ(back->error, u"No symbols to download"_s);
    EXPECT_EQ(RunLog::Line(*back), line);
    for (const QString &foreign : {u""_s, u"hello"_s, u"2026-12-07T22:30:02 exit=1"_s,
                                   u"2026-12-07T22:30:02 source=eodhd format=bin failed=x"_s})
        EXPECT_FALSE(RunLog::ParseLine(foreign)) << foreign.toStdString();
}

TEST(RunLog, AppendMakesTheFolderAndRecentGivesTheNewestFirst)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"quorbex/runs.log"_s);
    EXPECT_TRUE(RunLog::Recent(path, 5).isEmpty());
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(RunLog::Append(path, MakeRun(kMonday.addDays(i), i, 0, 0, 0)));
    ASSERT_TRUE(WriteFile(path, ReadFile(path) + "not a run\n"));
    ASSERT_TRUE(RunLog::Append(path, MakeRun(kMonday.addDays(3), 3, 0, 0, 0)));
    const QList<RunRecord> recent = RunLog::Recent(path, 3);
    ASSERT_EQ(recent.size(), 3);
    EXPECT_EQ(recent[0].succeeded, 3);
    EXPECT_EQ(recent[2].succeeded, 1);
    EXPECT_EQ(ReadFile(path).count('\n'), 5);
    EXPECT_FALSE(RunLog::Append(dir.path(), MakeRun(kMonday, 1, 0, 0, 0))); // a folder in its place
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

TEST(RunLog, PathFollowsXdgStateHome)
{
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "/state");
    EXPECT_EQ(RunLog::Path(), u"/state/quorbex/runs.log"_s);
    qputenv("XDG_STATE_HOME", "relative");
    EXPECT_EQ(RunLog::Path(), QDir::homePath() + u"/.local/state/quorbex/runs.log"_s);
    qputenv("XDG_STATE_HOME", saved);
}

} // namespace
