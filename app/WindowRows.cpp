#include "WindowRows.h"

#include "DateValue.h"
#include "SymbolListModel.h"
#include "SymbolListView.h"

#include <QLocale>

#include <cmath>

namespace {

// Numbers in the list read like the user's other programs: with the locale's thousands
// separator even where the locale would leave it out by default.
QString GroupedNumber(int value)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(value);
}

QString ShortDate(double value)
{
    return QLocale().toString(DateValue::ToDate(value), QLocale::ShortFormat);
}

} // namespace

WindowRows::WindowRows(SymbolListModel &model, SymbolListView &view, bool checkedOnly, Face face)
    : m_model(model), m_view(view), m_checkedOnly(checkedOnly), m_face(std::move(face))
{
    m_rows.reserve(m_model.Count());
    for (int row = 0; row < m_model.Count(); ++row) {
        m_rows.append(QPersistentModelIndex(m_model.index(row, 0)));
        m_counted.append(Walked(m_rows.back()));
        m_total += m_counted.back() ? 1 : 0;
    }
}

bool WindowRows::Walked(const QPersistentModelIndex &index) const
{
    return index.isValid() && (!m_checkedOnly || m_model.Row(index.row()).Checked);
}

std::optional<BatchRow> WindowRows::NextRow()
{
    while (m_next < m_rows.size()) {
        const int id = int(m_next++);
        const QPersistentModelIndex &index = m_rows.at(id);
        if (!Walked(index)) {
            if (m_counted.at(id)) // removed or unchecked meanwhile: it will not be done
                --m_total;
            continue;
        }
        return BatchRow{id, m_model.Row(index.row()).Symbol};
    }
    return std::nullopt;
}

void WindowRows::RowStarted(const BatchRow &row)
{
    const int at = m_rows.at(row.id).row();
    m_model.SetCell(at, CellStatus, QStringLiteral("Working..."));
    m_model.SetCause(at, QString());
    m_face.cellsChanged();
    m_view.scrollTo(m_model.index(at, 0));
}

void WindowRows::RowWaiting(const BatchRow &row, const QString &reason, std::chrono::milliseconds wait)
{
    const QPersistentModelIndex &index = m_rows.at(row.id);
    if (!index.isValid())
        return;
    const qint64 seconds = std::max<qint64>(1, qint64(std::ceil(double(wait.count()) / 1000.0)));
    m_model.SetCell(index.row(), CellStatus, QStringLiteral("Waiting..."));
    m_model.SetCause(index.row(), QStringLiteral("%1; %2 s left").arg(reason).arg(seconds));
    m_face.cellsChanged();
}

void WindowRows::RowFinished(const BatchRow &row, const RowOutcome &outcome)
{
    m_face.progressed(++m_done, m_total);
    const QPersistentModelIndex &index = m_rows.at(row.id);
    if (!index.isValid())
        return; // removed while its reply was awaited
    const int at = index.row();
    m_model.SetFailed(at, outcome.result == RowOutcome::RequestFailed ||
                              outcome.result == RowOutcome::WriteFailed);
    m_model.SetCell(at, CellStatus, outcome.status);
    m_model.SetCause(at, outcome.cause);
    if (outcome.result == RowOutcome::NoData) {
        m_model.SetWritten(at, {0, 0.0, 0.0});
        m_model.SetCell(at, CellBars, QStringLiteral("0"));
    } else if (outcome.result == RowOutcome::Success) {
        m_model.SetWritten(at, {outcome.barCount, outcome.firstDate, outcome.lastDate});
        m_model.SetCell(at, CellBars, GroupedNumber(outcome.barCount));
        m_model.SetCell(at, CellFirstDate, ShortDate(outcome.firstDate));
        m_model.SetCell(at, CellLastDate, ShortDate(outcome.lastDate));
        m_model.SetCell(at, CellFilename, outcome.fileName);
    }
}

void WindowRows::RowAbandoned(const BatchRow &row)
{
    const QPersistentModelIndex &index = m_rows.at(row.id);
    if (index.isValid()) {
        m_model.SetCell(index.row(), CellStatus, QString());
        m_model.SetCause(index.row(), QString());
    }
}
