#include "CheckFiles.h"

#include "DateValue.h"
#include "LibraryCheck.h"
#include "LocalText.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace {

const QString kCheck = QStringLiteral("--check");

void Write(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = LocalText::Encode(text);
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

} // namespace

std::optional<ParsedCommandLine> ParseCheckCommandLine(const QStringList &arguments)
{
    const qsizetype at = arguments.indexOf(kCheck);
    if (at < 0 ||
        (arguments.indexOf(QStringLiteral("--")) >= 0 && arguments.indexOf(QStringLiteral("--")) < at))
        return std::nullopt;
    ParsedCommandLine parsed;
    parsed.options.action = CommandLineOptions::Action::Check;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (i == at)
            continue;
        if (!optionsEnded && argument == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && argument.startsWith(u'-')) {
            parsed.error = QStringLiteral("quorbex: --check takes folders and files, not '%1'").arg(argument);
            return parsed;
        } else {
            parsed.options.checkPaths.append(argument);
        }
    }
    return parsed;
}

int CheckBarFiles(const QStringList &paths, std::FILE *out, std::FILE *err)
{
    QElapsedTimer clock;
    clock.start();
    QStringList files;
    int unreadable = 0;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            files += LibraryCheck::BarFilesIn(path);
        } else if (info.exists()) {
            files.append(path);
        } else {
            Write(err, QStringLiteral("quorbex: %1: no such file or folder\n").arg(path));
            ++unreadable;
        }
    }
    int withFindings = 0;
    qsizetype findings = 0;
    LibraryCheck::Run(files, [&](const LibraryCheck::FileResult &result) {
        if (!result.error.isEmpty()) {
            Write(err, QStringLiteral("quorbex: %1: %2\n").arg(result.path, result.error));
            ++unreadable;
            return;
        }
        if (result.findings.empty())
            return;
        ++withFindings;
        findings += qsizetype(result.findings.size());
        QString lines;
        for (const BarFinding &finding : result.findings)
            lines += QStringLiteral("%1\t%2\t%3\t%4\n")
                         .arg(result.path, DateValue::ToDate(finding.date).toString(Qt::ISODate),
                              finding.kind, finding.words);
        Write(out, lines);
    });
    std::fflush(out);
    Write(err, QStringLiteral("%1 files checked: %2 findings in %3 files, %4 unreadable, in %5 s\n")
                   .arg(files.size())
                   .arg(findings)
                   .arg(withFindings)
                   .arg(unreadable)
                   .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
    if (unreadable > 0)
        return 2;
    return findings > 0 ? 1 : 0;
}
