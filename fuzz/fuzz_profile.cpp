#include "FuzzSupport.h"
#include "LocalText.h"
#include "ProfileFile.h"

#include <QHash>

#include <array>
#include <utility>

namespace {

// The names the program uses, in other letter cases too, and one other section.
const std::array<std::pair<QString, QString>, 8> kKeys = {{{u"Settings"_qs, u"StartYear"_qs},
                                                           {u"Settings"_qs, u"DestinationFolder"_qs},
                                                           {u"settings"_qs, u"BMPATH"_qs},
                                                           {u"SETTINGS"_qs, u"qltpath"_qs},
                                                           {u"Settings"_qs, u"FileFormat"_qs},
                                                           {u"Settings"_qs, u"QuoteSource"_qs},
                                                           {u"Endpoints"_qs, u"Yahoo"_qs},
                                                           {u"Other"_qs, u"Name"_qs}}};

bool SameKey(size_t a, size_t b)
{
    return kKeys[a].first.compare(kKeys[b].first, Qt::CaseInsensitive) == 0 &&
           kKeys[a].second.compare(kKeys[b].second, Qt::CaseInsensitive) == 0;
}

QStringList Values(const ProfileFile &profile)
{
    QStringList values;
    for (const auto &[section, key] : kKeys)
        values.append(profile.ReadString(section, key, QStringLiteral("\x01missing")));
    return values;
}

// Lines of `after` that differ from `before`, bytes compared, apart from at most one line written
// and up to three lines added; a byte-order mark at the start is left out of the comparison.
void CheckLinesKept(QByteArray before, QByteArray after, bool sameValue)
{
    if (before.startsWith("\xEF\xBB\xBF")) {
        before.remove(0, 3);
        if (after.startsWith("\xEF\xBB\xBF"))
            after.remove(0, 3);
    }
    const QByteArrayList in = ByteLines(before, true);
    const QByteArrayList out = ByteLines(after, true);
    FUZZ_CHECK(out.size() >= in.size() && out.size() <= in.size() + 3);
    qsizetype head = 0;
    while (head < in.size() && in[head] == out[head])
        ++head;
    qsizetype tail = 0;
    while (tail < in.size() - head && in[in.size() - 1 - tail] == out[out.size() - 1 - tail])
        ++tail;
    FUZZ_CHECK(head + tail >= in.size() - 1);
    // A value written back as it was read keeps its bytes.
    if (sameValue && head + tail < in.size() && in.size() == out.size()) {
        const auto value = [](const QByteArray &line) { return line.mid(line.indexOf('=') + 1).trimmed(); };
        // Unicode white space at the ends is no part of the value either.
        FUZZ_CHECK(LocalText::Encode(LocalText::Decode(value(in[head])).trimmed()) == value(out[head]));
    }
}

} // namespace

// Input: a selector byte, the value to write up to the first NUL, then the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const qsizetype nul = input.indexOf('\0');
    const QByteArray file = nul < 0 ? input : input.mid(nul + 1);
    const size_t which = data[0] % kKeys.size();
    const auto &[section, key] = kKeys[which];
    const bool writeBack = data[0] & 0x80; // the value read, written again

    ProfileFile profile;
    profile.LoadBytes(file);
    const QByteArray loaded = profile.Bytes();
    const QStringList old = Values(profile);
    const QString value = writeBack ? profile.ReadString(section, key, QString())
                                    : QString::fromUtf8(nul < 0 ? QByteArray() : input.left(nul));
    const QString full = profile.ReadString(section, key, QString());
    FUZZ_CHECK(profile.ReadString(section, key, QString(), data[0]) == full.left(data[0]));

    const bool accepted = profile.WriteString(section, key, value);
    const QByteArray written = profile.Bytes();
    const bool lineBreak = value.contains(u'\r') || value.contains(u'\n');
    FUZZ_CHECK(accepted != lineBreak);
    if (lineBreak)
        FUZZ_CHECK(written == loaded);
    else
        FUZZ_CHECK(profile.ReadString(section, key, QString()) == value.trimmed());
    CheckLinesKept(file, written, writeBack);

    // Other keys keep their values, also once the file is read again.
    ProfileFile reread;
    reread.LoadBytes(written);
    const QStringList now = Values(profile);
    FUZZ_CHECK(Values(reread) == now && reread.Bytes() == written);
    for (size_t i = 0; i < kKeys.size(); ++i)
        FUZZ_CHECK(SameKey(i, which) || now[qsizetype(i)] == old[qsizetype(i)]);

    const int number = int(qHash(value));
    FUZZ_CHECK(profile.WriteString(section, key, QString::number(number)));
    FUZZ_CHECK(profile.ReadInt(section, key, ~number) == number);
    return 0;
}
