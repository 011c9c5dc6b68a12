#include "SymbolsFile.h"

#include "LocalText.h"
#include "SaveFile.h"
#include "SymbolListModel.h"

#include <QFile>

namespace {

void AppendSymbol(QStringList &symbols, const QString &line)
{
    QString symbol = TrimSpaces(line);
    if (!symbol.isEmpty())
        symbols.append(std::move(symbol));
}

} // namespace

QStringList ParseSymbols(const QByteArray &bytes)
{
    const QString text = LocalText::Decode(bytes);
    QStringList symbols;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (text.at(i) != u'\r')
            continue;
        AppendSymbol(symbols, text.mid(start, i - start));
        if (i + 1 < size && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        AppendSymbol(symbols, text.mid(start));
    return symbols;
}

QByteArray SymbolsBytes(const QStringList &symbols)
{
    QByteArray bytes;
    for (const QString &symbol : symbols) {
        bytes += LocalText::Encode(symbol);
        bytes += "\r\n";
    }
    return bytes;
}

bool SymbolsLoad(const QString &path, SymbolListModel &model)
{
    QFile file(path);
    if (!file.exists())
        return false;
    model.Clear();
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    const bool complete = file.error() == QFileDevice::NoError;
    // A read that fails part-way still gives the lines that came before the failure.
    for (const QString &symbol : ParseSymbols(bytes))
        model.AddRow(symbol);
    return complete;
}

bool SymbolsSave(const QString &path, const SymbolListModel &model)
{
    QStringList symbols;
    symbols.reserve(model.Count());
    for (int row = 0; row < model.Count(); ++row)
        symbols.append(model.Row(row).Symbol);
    return SaveFileAtomically(path, SymbolsBytes(symbols));
}
