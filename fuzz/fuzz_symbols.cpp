#include "FuzzSupport.h"
#include "SymbolsFile.h"

// The file as the program must write it back: every non-empty line without its outer spaces; a
// byte-order mark at the start is no part of the text.
static QByteArray Rewritten(const QByteArray &bytes)
{
    QByteArray out;
    const qsizetype mark = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    for (const QByteArray &line : ByteLines(bytes.mid(mark), false)) {
        qsizetype first = 0;
        qsizetype last = line.size();
        while (first < last && line[first] == ' ')
            ++first;
        while (last > first && line[last - 1] == ' ')
            --last;
        if (first < last)
            out += line.mid(first, last - first) + "\r\n";
    }
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList symbols = ParseSymbols(bytes);
    for (const QString &symbol : symbols)
        FUZZ_CHECK(!symbol.isEmpty() && !symbol.startsWith(u' ') && !symbol.endsWith(u' ') &&
                   !symbol.contains(u'\r'));
    const QByteArray written = SymbolsBytes(symbols);
    // A first symbol that starts with U+FEFF is written as a byte-order mark and comes back without it.
    const bool markLost = !symbols.isEmpty() && symbols.first().startsWith(QChar(0xFEFF));
    FUZZ_CHECK(markLost || ParseSymbols(written) == symbols);
    // Bytes that are not UTF-8 come back as they were.
    FUZZ_CHECK(written == Rewritten(bytes));
    return 0;
}
