#include "SymbolsFile.h"

#include "LocalText.h"
#include "SymbolListModel.h"

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
    // An editor's UTF-8 byte-order mark is no part of the first symbol.
    const qsizetype mark = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const QString text = LocalText::Decode(QByteArrayView(bytes).sliced(mark));
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

ReadResult SymbolsLoad(const QString &path, SymbolListModel &model, QString *error)
{
    QByteArray bytes;
    const ReadResult result = ReadRegularFile(path, &bytes, error);
    if (result == ReadResult::Missing)
        return result;
    model.Clear();
    // A read that fails part-way still gives the lines that came before the failure.
    for (const QString &symbol : ParseSymbols(bytes))
        model.AddRow(symbol);
    return result;
}

bool SymbolsSave(const QString &path, const SymbolListModel &model, QString *error)
{
    QStringList symbols;
    symbols.reserve(model.Count());
    for (int row = 0; row < model.Count(); ++row)
        symbols.append(model.Row(row).Symbol);
    return SaveFileAtomically(path, SymbolsBytes(symbols), error);
}
