#include "ShowFile.h"

#include "BarFileReader.h"
#include "BarSeries.h"
#include "DateValue.h"
#include "LocalText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

const QString kShow = QStringLiteral("--show");

template <typename T> void AppendShortest(QByteArray &out, T value)
{
    char text[32];
    const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr - text);
}

void AppendDate(QByteArray &out, double value)
{
    const QDate date = DateValue::ToDate(value);
    if (!date.isValid() || value != std::floor(value)) {
        AppendShortest(out, value);
        return;
    }
    // By hand rather than QDate::toString, so years below 1000 keep four digits in any Qt.
    char text[40];
    const int length =
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year(), date.month(), date.day());
    out.append(text, length);
}

} // namespace

QByteArray BarSeriesCsv(const BarSeries &series)
{
    QByteArray out("Date,Open,High,Low,Close,Volume\n");
    const auto bars = std::min({qsizetype(std::max(series.BarCount, 0)), qsizetype(series.dates.size()),
                                qsizetype(series.values.size())});
    out.reserve(out.size() + bars * 64);
    for (int bar = 1; bar <= bars; ++bar) {
        AppendDate(out, series.BarDate(bar));
        for (int column = 1; column <= BarSeries::kValueColumns; ++column) {
            out.append(',');
            AppendShortest(out, series.BarValue(bar, column));
        }
        out.append('\n');
    }
    return out;
}

std::optional<ParsedCommandLine> ParseShowCommandLine(const QStringList &arguments)
{
    const qsizetype ended = arguments.indexOf(QStringLiteral("--"));
    const auto end = arguments.begin() + (ended < 0 ? arguments.size() : ended);
    const auto found = std::find_if(arguments.begin(), end, [](const QString &argument) {
        return argument == kShow || argument.startsWith(kShow + u'=');
    });
    if (found == end)
        return std::nullopt;
    ParsedCommandLine parsed;
    parsed.options.action = CommandLineOptions::Action::Show;
    const qsizetype at = found - arguments.begin();
    qsizetype used = 1;
    if (*found != kShow) {
        parsed.options.showFile = found->mid(kShow.size() + 1);
    } else if (at + 1 < arguments.size()) {
        parsed.options.showFile = arguments.at(at + 1);
        used = 2;
    } else {
        parsed.error = QStringLiteral("quorbex: --show needs a value");
        return parsed;
    }
    if (arguments.size() > used)
        parsed.error = QStringLiteral("quorbex: --show FILE takes no other argument, not '%1'")
                           .arg(arguments.at(at > 0 ? 0 : used));
    return parsed;
}

int ShowBarFile(const QString &path, std::FILE *out, std::FILE *err)
{
    const auto fail = [&](const QString &reason) {
        const QByteArray line = LocalText::Encode(QStringLiteral("quorbex: %1: %2\n").arg(path, reason));
        std::fwrite(line.constData(), 1, std::size_t(line.size()), err);
        return 2;
    };
    const BarFileContents contents = ReadBarFile(path);
    if (!contents.ok())
        return fail(contents.error);
    const QByteArray csv = BarSeriesCsv(contents.series);
    // A closed pipe or a full disk must not pass for a complete listing.
    if (std::fwrite(csv.constData(), 1, std::size_t(csv.size()), out) != std::size_t(csv.size()) ||
        std::fflush(out) != 0)
        return fail(QStringLiteral("output cannot be written"));
    return 0;
}
