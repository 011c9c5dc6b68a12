#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

// A market day's CSV reply: a header line naming the columns, then one line per symbol. Its lines are
// turned back into the form of a symbol's own reply, so that the service's own parser reads them.
class MarketDayTable
{
public:
    // Nothing when the reply has no header line.
    [[nodiscard]] static std::optional<MarketDayTable> Read(QByteArrayView reply);

    // The column with this name (any letter case), or -1.
    [[nodiscard]] qsizetype Column(QByteArrayView name) const;
    [[nodiscard]] qsizetype RowCount() const { return m_rows.size(); }
    [[nodiscard]] QByteArray Field(qsizetype row, qsizetype column) const;
    // A header and the one line of `row`, without the columns in `dropped`.
    [[nodiscard]] QByteArray SymbolReply(qsizetype row, const QList<qsizetype> &dropped) const;

private:
    QList<QByteArray> m_names;
    QList<QList<QByteArray>> m_rows;
};
