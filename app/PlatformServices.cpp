#include "PlatformServices.h"

#include "ServiceRegistry.h"

#include "AppTitle.h"
#include "FolderDialog.h"
#include "HelpLauncher.h"
#include "ProfileFile.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QUrl>

#include <algorithm>

// Dialogs are windows of their own and so do not take the window's font by themselves.
void QtPlatformServices::ShowCritical(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, AppTitle(), text, QMessageBox::Ok, parent);
    if (parent)
        box.setFont(parent->font());
    box.exec();
}

QString QtPlatformServices::AskText(QWidget *parent, const QString &prompt, const QString &initial)
{
    QInputDialog dialog(parent);
    if (parent)
        dialog.setFont(parent->font());
    dialog.setWindowTitle(AppTitle());
    dialog.setLabelText(prompt);
    dialog.setTextValue(initial);
    // Wide enough to show a whole API token (40 characters) without scrolling.
    dialog.resize(std::max(dialog.sizeHint().width(), dialog.fontMetrics().averageCharWidth() * 48),
                  dialog.sizeHint().height());
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

QString QtPlatformServices::PickFolder(QWidget *parent, const QString &title, const QString &startFolder)
{
    FolderDialog dialog(parent, title, startFolder);
    if (parent)
        dialog.setFont(parent->font());
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

bool QtPlatformServices::Confirm(QWidget *parent, const QString &question)
{
    QMessageBox box(QMessageBox::Question, AppTitle(), question, QMessageBox::Yes | QMessageBox::No, parent);
    if (parent)
        box.setFont(parent->font());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtPlatformServices::PickFile(QWidget *parent, const QString &title, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QString QtPlatformServices::OpenHelp(const QString &path)
{
#ifdef Q_OS_WIN
    QDesktopServices::openUrl(QUrl::fromLocalFile(path)); // the system's help viewer is always there
    return {};
#else
    // Opening a file no program is registered for would hand it to whatever takes any file, often
    // a browser that offers to save it, so the launcher asks the desktop's lists first.
    const QString pages = QFileInfo(path).dir().filePath(QStringLiteral("help/index.html"));
    const HelpLauncher::Launch launch = HelpLauncher::Choose(HelpLauncher::Find(pages), path, pages);
    if (launch.program.isEmpty())
        return launch.missing;
    if (!QProcess::startDetached(launch.program, launch.arguments))
        return QStringLiteral("Quorbex.chm cannot be opened: %1 did not start.").arg(launch.program);
    return {};
#endif
}

QDate QtPlatformServices::CurrentDate()
{
    return QDate::currentDate();
}

QSize QtPlatformServices::ScreenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
}

bool HasDesktopHandler(const QStringList &mimeTypes, const QStringList &configDirs,
                       const QStringList &dataDirs)
{
    QStringList listFiles;
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(u':', Qt::SkipEmptyParts);
    const auto addLists = [&](const QString &folder) {
        for (const QString &desktop : desktops)
            listFiles.append(folder + u'/' + desktop + QStringLiteral("-mimeapps.list"));
        listFiles.append(folder + QStringLiteral("/mimeapps.list"));
    };
    for (const QString &dir : configDirs)
        addLists(dir);
    for (const QString &dir : dataDirs) {
        addLists(dir + QStringLiteral("/applications"));
        listFiles.append(dir + QStringLiteral("/applications/defaults.list"));
    }

    QStringList candidates;
    QSet<QString> removed;
    const auto entries = [&](const ProfileFile &file, const QString &section) {
        QStringList ids;
        for (const QString &type : mimeTypes)
            ids += file.ReadString(section, type, QString()).split(u';', Qt::SkipEmptyParts);
        return ids;
    };
    for (const QString &list : std::as_const(listFiles)) {
        ProfileFile file;
        if (file.Load(list) != ReadResult::Read)
            continue;
        candidates += entries(file, QStringLiteral("Default Applications"));
        candidates += entries(file, QStringLiteral("Added Associations"));
        for (const QString &id : entries(file, QStringLiteral("Removed Associations")))
            removed.insert(id.trimmed());
    }
    for (const QString &dir : dataDirs) {
        ProfileFile cache;
        if (cache.Load(dir + QStringLiteral("/applications/mimeinfo.cache")) == ReadResult::Read)
            candidates += entries(cache, QStringLiteral("MIME Cache"));
    }

    for (const QString &candidate : std::as_const(candidates)) {
        const QString id = candidate.trimmed();
        if (id.isEmpty() || removed.contains(id))
            continue;
        for (const QString &dir : dataDirs) {
            if (QFileInfo(dir + QStringLiteral("/applications/") + id).isFile())
                return true;
        }
    }
    return false;
}

void ShowHelpFile(PlatformServices &platform, QWidget *parent, const QString &helpFile)
{
    const QFileInfo help(helpFile);
    if (!help.isFile() || help.isHidden()) {
        platform.ShowCritical(parent, QStringLiteral("Help file not found: ") + helpFile);
        return;
    }
    if (const QString missing = platform.OpenHelp(helpFile); !missing.isEmpty())
        platform.ShowCritical(parent, missing);
}

QString AskServiceToken(PlatformServices &platform, QWidget *parent, int quoteSource, const QString &current)
{
    const QuoteService *service = ServiceRegistry::At(quoteSource);
    if (!service || !service->TakesToken())
        return {};
    // Pasted from a web page, a token often brings a space or line end along.
    return platform.AskText(parent, service->Describe().token->prompt, current).trimmed();
}

QStringList PlatformServices::AskSymbols(QWidget *parent, const SymbolPrompt &prompt)
{
    const QString entered = AskText(parent, prompt.prompt, QString());
    return entered.isEmpty() ? QStringList() : QStringList{entered};
}

QStringList QtPlatformServices::AskSymbols(QWidget *parent, const SymbolPrompt &prompt)
{
    // The same text prompt as Edit's, with Look up... beside its buttons.
    QInputDialog dialog(parent);
    if (parent)
        dialog.setFont(parent->font());
    dialog.setWindowTitle(AppTitle());
    dialog.setLabelText(prompt.prompt);
    dialog.setTextValue(QString());
    QStringList chosen;
    (void)dialog.okButtonText(); // makes the buttons, which the dialog otherwise makes only when shown
    if (auto *buttons = dialog.findChild<QDialogButtonBox *>()) {
        QPushButton *lookUp = buttons->addButton(QStringLiteral("Look up..."), QDialogButtonBox::ActionRole);
        lookUp->setAutoDefault(false);
        lookUp->setEnabled(bool(prompt.lookUp));
        lookUp->setToolTip(prompt.lookUpTip);
        QObject::connect(lookUp, &QPushButton::clicked, &dialog, [&] {
            chosen = prompt.lookUp(&dialog, dialog.textValue());
            if (!chosen.isEmpty())
                dialog.accept();
        });
    }
    dialog.resize(std::max(dialog.sizeHint().width(), dialog.fontMetrics().averageCharWidth() * 48),
                  dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    if (!chosen.isEmpty())
        return chosen;
    return dialog.textValue().isEmpty() ? QStringList() : QStringList{dialog.textValue()};
}
