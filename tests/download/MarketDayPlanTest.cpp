#include "MarketDayPlan.h"

#include <gtest/gtest.h>

namespace {

// A form whose cost and reach a case sets; symbols name their market after a dot.
class TestForm final : public MarketDayForm
{
public:
    TestForm(bool picksDay, int cost) : m_picksDay(picksDay), m_cost(cost) {}
    Place PlaceOf(const QString &symbol) const override
    {
        return {symbol.section(u'.', 1), symbol.section(u'.', 0, 0)};
    }
    bool PicksDay() const override { return m_picksDay; }
    int Cost() const override { return m_cost; }
    QList<SourceRequest> Requests(const ServiceSettings &, const QString &, QDate) const override
    {
        return {};
    }
    Parsed Parse(const QList<QByteArray> &) const override { return {}; }

private:
    bool m_picksDay;
    int m_cost;
};

const QList<QDate> kCalendar = {
    {2024, 12, 20}, {2024, 12, 23}, {2024, 12, 24}, {2024, 12, 26}, {2024, 12, 27}};

} // namespace

// How many of the latest days pay, for files ending where the cases say; never a day the calendar
// cannot vouch for.
TEST(MarketDayPlan, FetchesOnlyTheDaysThatPay)
{
    const QDate d20 = kCalendar[0], d24 = kCalendar[2], d26 = kCalendar[3], d27 = kCalendar[4];
    const struct
    {
        bool picksDay;
        int cost;
        QList<QDate> lastDates;
        QList<QDate> expected;
    } cases[] = {
        {false, 1, {d26, d26, d26}, {d27}}, // one day behind
        {false, 1, {d24, d24, d24}, {}},    // two behind: the latest day alone would leave a gap
        {false, 1, {d27, d27}, {d27}},      // at the last day: the day shows them up to date
        {false, 3, {d26, d26, d26}, {}},    // costs as much as the rows' own requests
        {true, 2, {d26, d26, d26, d24, d24, d24}, {d26, d27}}, // two days serve six rows for four
        {true, 2, {d26, d26, d26, d20, d20}, {d27}}, // the deeper rows would cost more than they save
        {true, 1, {QDate(2024, 12, 25), QDate(2024, 11, 1)}, {}}, // days the calendar does not hold
    };
    for (const auto &c : cases) {
        const TestForm form(c.picksDay, c.cost);
        EXPECT_EQ(MarketDayPlan::DaysToFetch(form, kCalendar, c.lastDates), c.expected);
    }
}

TEST(MarketDayPlan, GroupsRowsByMarketWithACalendarRowWhereMostFilesEnd)
{
    const TestForm form(true, 1);
    const QDate d24 = kCalendar[2], d26 = kCalendar[3];
    const QList<MarketDayPlan::Row> rows = {{0, u"A.US"_qs, d24},
                                            {1, u"B.US"_qs, d26},
                                            {2, u"C.LSE"_qs, d26},
                                            {3, u"D.US"_qs, d26},
                                            {4, u"E.LSE"_qs, d26}};
    const QList<MarketDayPlan::Group> groups = MarketDayPlan::Groups(form, rows);
    ASSERT_EQ(groups.size(), 1); // two rows of LSE cannot save a request
    EXPECT_EQ(groups[0].market, u"US"_qs);
    EXPECT_EQ(groups[0].rows.size(), 3);
    EXPECT_EQ(groups[0].rows[groups[0].calendarRow].symbol, u"B.US"_qs);
}
