#pragma once

#include "DownloadBatch.h"

#include <QList>
#include <QPersistentModelIndex>

#include <functional>

class SymbolListModel;
class SymbolListView;

// The window's side of a batch: walks the rows as they stood when it began, following each wherever
// it moves, skipping any removed meanwhile, and fills their cells.
class WindowRows final : public BatchRows
{
public:
    struct Face
    {
        std::function<int()> quoteSource;
        std::function<int()> fileFormat;
        std::function<bool()> stopRequested;
        std::function<void()> cellsChanged;                  // a row started or waits
        std::function<void(int done, int total)> progressed; // a row was reported
    };

    WindowRows(SymbolListModel &model, SymbolListView &view, bool checkedOnly, Face face);

    // The rows this batch will walk, as they stood when it began.
    [[nodiscard]] int Total() const { return m_total; }

    std::optional<BatchRow> NextRow() override;
    int QuoteSource() override { return m_face.quoteSource(); }
    int FileFormat() override { return m_face.fileFormat(); }
    bool StopRequested() override { return m_face.stopRequested(); }
    void RowStarted(const BatchRow &row) override;
    void RowFinished(const BatchRow &row, const RowOutcome &outcome) override;
    bool StillListed(const BatchRow &row) override { return m_rows.at(row.id).isValid(); }
    void RowAbandoned(const BatchRow &row) override;
    void RowWaiting(const BatchRow &row, const QString &reason, std::chrono::milliseconds wait) override;

private:
    [[nodiscard]] bool Walked(const QPersistentModelIndex &index) const;

    SymbolListModel &m_model;
    SymbolListView &m_view;
    const bool m_checkedOnly;
    Face m_face;
    QList<QPersistentModelIndex> m_rows;
    QList<bool> m_counted; // walked as the list stood at the start
    qsizetype m_next = 0;
    int m_total = 0;
    int m_done = 0;
};
