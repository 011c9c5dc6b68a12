#include "SymbolEntry.h"

#include "SymbolCommands.h"
#include "SymbolListModel.h"

#include <QRegularExpression>
#include <QSet>

namespace {

QString Key(const QString &symbol)
{
    return symbol.trimmed().toCaseFolded();
}

} // namespace

QStringList EnteredSymbols(const QString &entered)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    const QStringList parts = entered.split(separators, Qt::SkipEmptyParts);
    if (entered.isEmpty() || (parts.size() <= 1 && !entered.contains(u',')))
        return entered.isEmpty() ? QStringList() : QStringList{NormalizedSymbol(entered)};
    QStringList symbols;
    for (const QString &part : parts)
        symbols.append(NormalizedSymbol(part));
    return symbols;
}

QStringList ImportedSymbols(const QByteArray &bytes)
{
    static const QRegularExpression fieldEnd(QStringLiteral("[,;\\t]"));
    QStringList symbols;
    bool first = true;
    for (const QByteArray &line : bytes.split('\n')) {
        QString field = QString::fromUtf8(line).section(fieldEnd, 0, 0).trimmed();
        if (field.size() >= 2 && field.startsWith(u'"') && field.endsWith(u'"'))
            field = field.mid(1, field.size() - 2).trimmed();
        if (field.startsWith(QChar(0xFEFF)))
            field = field.mid(1).trimmed();
        if (field.isEmpty())
            continue;
        const bool header = first && (field.compare(u"symbol", Qt::CaseInsensitive) == 0 ||
                                      field.compare(u"ticker", Qt::CaseInsensitive) == 0);
        first = false;
        if (!header)
            symbols.append(NormalizedSymbol(field));
    }
    return symbols;
}

AddedSymbols AddNewSymbols(SymbolListModel &model, const QStringList &symbols)
{
    QSet<QString> listed;
    listed.reserve(model.Count() + symbols.size());
    for (int row = 0; row < model.Count(); ++row)
        listed.insert(Key(model.Row(row).Symbol));
    AddedSymbols result;
    for (const QString &symbol : symbols) {
        const QString key = Key(symbol);
        // Spaces alone are never a duplicate: Add has always taken them as they come.
        if (!key.isEmpty() && listed.contains(key)) {
            result.skipped.append(symbol.trimmed());
            continue;
        }
        listed.insert(key);
        model.AddRow(symbol);
        result.added.append(symbol);
    }
    return result;
}

QString SkippedText(const AddedSymbols &result)
{
    if (result.skipped.isEmpty())
        return {};
    return QStringLiteral("Already listed, not added: ") + result.skipped.join(QStringLiteral(", "));
}
