#include "MarketDayTable.h"

namespace {

QList<QByteArray> Fields(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    QList<QByteArray> fields;
    for (const QByteArrayView field : QByteArray::fromRawData(line.data(), line.size()).split(','))
        fields.append(field.trimmed().toByteArray());
    return fields;
}

QByteArray Joined(const QList<QByteArray> &fields, const QList<qsizetype> &dropped)
{
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (dropped.contains(i))
            continue;
        if (!line.isEmpty())
            line.append(',');
        line.append(fields.at(i));
    }
    return line + '\n';
}

} // namespace

std::optional<MarketDayTable> MarketDayTable::Read(QByteArrayView reply)
{
    MarketDayTable table;
    for (const QByteArrayView line : QByteArray::fromRawData(reply.data(), reply.size()).split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        if (table.m_names.isEmpty())
            table.m_names = Fields(line);
        else
            table.m_rows.append(Fields(line));
    }
    if (table.m_names.isEmpty())
        return std::nullopt;
    return table;
}

qsizetype MarketDayTable::Column(QByteArrayView name) const
{
    for (qsizetype i = 0; i < m_names.size(); ++i) {
        if (name.compare(m_names.at(i), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QByteArray MarketDayTable::Field(qsizetype row, qsizetype column) const
{
    return m_rows.at(row).value(column);
}

QByteArray MarketDayTable::SymbolReply(qsizetype row, const QList<qsizetype> &dropped) const
{
    return Joined(m_names, dropped) + Joined(m_rows.at(row), dropped);
}
